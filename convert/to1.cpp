#include "blitter/selection.h"
#include "convert/converters.h"

namespace dibdraw {

extern const DisplayTable kMonoTable;
const DisplayTable kMonoTable = {"monochrome", {}};

}  // namespace dibdraw
