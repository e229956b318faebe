#pragma once
// The files the build embeds in the program (the extraction library, the payload) against the sizes and
// checksums it recorded beside them: a download damaged in transit is refused before anything is written.

namespace zarvo {

// Whether each file the build listed, where the program carries it, has its recorded size and CRC-32. A
// listed file the program lacks is left to the steps that use it (they fail with their own message).
// False when the list itself is missing or not one.
bool EmbeddedFilesIntact();

} // namespace zarvo
