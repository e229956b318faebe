#include "common/MappedFile.h"

namespace zarvo {

TMappedFile::TMappedFile(THandle file) : file_(std::move(file)) {
    LARGE_INTEGER size{};
    if (!file_ || !GetFileSizeEx(file_.Get(), &size) || size.QuadPart == 0)
        return;
    mapping_.Reset(CreateFileMappingW(file_.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping_)
        view_.Reset(MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, 0));
    if (view_)
        bytes_ = std::string_view(static_cast<const char*>(view_.Get()), size_t(size.QuadPart));
}

} // namespace zarvo
