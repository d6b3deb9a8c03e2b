#include <ostream>

#include "commands.h"
#include "text_file.h"

namespace rkl {

int runValidate(const std::string& product, std::ostream& out) {
    (void)out;
    throw Failure(kUsage, product + ": validation is not available yet");
}

}  // namespace rkl
