#pragma once
// The file types that run something when opened: programs, installers,
// scripts, shortcuts and launchers, and documents that run script in the
// viewer (HTML, SVG). Neither engine opens one for a page it does not
// trust; it saves it and says so. One table for every caller.
#include <string_view>

namespace vard::transfer {

// `fileName`'s type, by its last extension ignoring case and the trailing
// dots and blanks Windows drops ("a.EXE. " is a program). A name without an
// extension is not one of them.
bool IsDangerousType(std::u16string_view fileName);

}  // namespace vard::transfer
