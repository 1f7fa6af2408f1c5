#include "blitter/selection.h"
#include "convert/converters.h"

namespace dibdraw {

extern const DisplayTable kVga16Table;
const DisplayTable kVga16Table = {"16-colour", {}};

}  // namespace dibdraw
