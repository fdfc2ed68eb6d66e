#include "tovrak/version.hpp"

namespace tovrak {

const char* version() { return TOVRAK_VERSION_STRING; }

}  // namespace tovrak
