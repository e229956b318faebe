#pragma once
// How often the archive access has opened an archive, by open mode: a seam that lets tests state how
// many times a run decompresses the payload. Counted on every open call, successful or not.

namespace zarvo {

struct TArchiveOpenCount {
    unsigned listing = 0;    // RAR_OM_LIST: headers only, nothing decompressed
    unsigned extraction = 0; // RAR_OM_EXTRACT: every entry passed is decompressed
};

// The opens since the program started or since the last reset.
TArchiveOpenCount ArchiveOpenCount();
void ResetArchiveOpenCount();

} // namespace zarvo
