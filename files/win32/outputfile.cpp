#include "outputfile.h"

#include "safefile.h"

namespace files {

// The save itself writes a device (NUL, CON) or a pipe as it stands, and replaces only disk files.
void WriteOutputFile(const std::string& path, std::string_view bytes) { WriteFileReplacing(path, bytes); }

}  // namespace files
