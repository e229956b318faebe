#pragma once

#include "platform/Path.h"

namespace rarlib {

// Name of the volume after `current`.
// New numbering ("name.part1.rar"): the digits right before the extension count up, widening when
// they overflow (part9 -> part10, part09 -> part10). Old numbering ("name.rar"): the extension becomes
// r00, then r01 ... r99, s00 ...; any other extension ending in two digits counts up the same way.
// New numbering without digits falls back to the old scheme.
Path nextVolumeName(const Path& current, bool newNumbering);

} // namespace rarlib
