#pragma once
// Registration of the product's components: the kernel server's type library, its COM class entries and
// every self-registering library of the installation folder, all in the machine's classes. Each step
// reports its outcome through the reporter it is given.

#include "common/Registry.h"
#include "common/Reporting.h"

#include <string>

namespace zarvo {

// Opens (creating it when missing) the key, taken from the registry's root, and writes its default value
// as a string. With closeAfter false the key stays the registry's current key, for a named value to follow.
// Raises "Ошибка открытия <key>" when the key can be neither opened nor created.
void WriteRegistryDefault(TRegistry& registry, const std::wstring& key, const std::wstring& value,
                          bool closeAfter);

// Type library, COM class entries, then the libraries (the configuration library first). Stops at the
// first failed step; true only when every step succeeded. Nothing is rolled back. Raises, as the removal
// does, when the machine's classes cannot be reached.
bool RegisterComponents(const std::wstring& installFolder, TReporter& reporter);
// Libraries (the configuration library last), then the type library, then the COM class keys. Stops at
// the first failed step, leaving later steps' registrations in place.
bool UnregisterComponents(const std::wstring& installFolder, TReporter& reporter);

} // namespace zarvo
