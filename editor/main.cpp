#include <QApplication>

#include "dialogs.h"
#include "locations.h"
#include "unit1.h"

namespace {

// The last line of defence: a failure that escapes an event handler is reported and the program goes on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            TForm1::ShowFailure(e.what());
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TForm1 form(level::ExecutableDirectory());
    form.show();
    return application.exec();
}
