#include "blitter/selection.h"
#include "convert/converters.h"

namespace dibdraw {

extern const DisplayTable kPalette8Table;
const DisplayTable kPalette8Table = {"256-colour", {}};

}  // namespace dibdraw
