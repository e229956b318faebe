#pragma once
// Links as another program of the user could make them. Wine shows a host symbolic link as the file or
// folder it points to, the way a junction swapped in after a check leads the program elsewhere.

#include <string>

namespace zarvo::testing {

// A host symbolic link at the path, to an existing target; false when it does not show within 5 s.
bool MakeSymbolicLink(const std::wstring& target, const std::wstring& link);
// Removes a link made so (a name that shows), never what it points to.
bool RemoveSymbolicLink(const std::wstring& link);

} // namespace zarvo::testing
