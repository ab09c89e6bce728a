#include "programdirectory.h"
#include "tapplication.h"
#include "unit1.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TForm1 form(files::ExecutableDirectory());
    form.show();
    return application.exec();
}
