#pragma once

#include <cstdint>
#include <span>

namespace deptrix {

/// Lets the system drop the pages lying wholly inside `range` of a read-only file
/// mapping: they stop counting towards the program's memory and are read from the
/// file again should they be touched. Only for mapped files (MappedFile), never for
/// ordinary memory, whose content this would discard.
void ReleaseMappedPages(std::span<const std::uint8_t> range);

} // namespace deptrix
