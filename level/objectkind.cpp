#include "objectkind.h"

#include <stdexcept>
#include <string>

namespace level {

const ObjectKind& KindOf(int tag) {
    if (!IsValidTag(tag)) throw std::out_of_range("No object kind has tag " + std::to_string(tag));
    return kKinds[static_cast<std::size_t>(tag - kFirstTag)];
}

}  // namespace level
