#include "app/Picture.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace zarvo {

TGdiObject LoadPicture(HINSTANCE instance, const wchar_t* name) {
    HRSRC found = FindResourceW(instance, name, RT_BITMAP);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    const auto* bytes = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = found != nullptr ? SizeofResource(instance, found) : 0;
    if (bytes == nullptr || size < sizeof(BITMAPINFOHEADER)) {
        if (bytes != nullptr)
            SetLastError(ERROR_INVALID_DATA);
        return {};
    }

    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof(header));
    bool compressed = header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
    DWORD colours = header.biClrUsed != 0    ? header.biClrUsed
                    : header.biBitCount <= 8 ? 1u << header.biBitCount
                                             : 0;
    if (header.biSize < sizeof(header) || header.biWidth <= 0 || header.biHeight == 0 || colours > 256 ||
        (!compressed && header.biCompression != BI_RGB) || header.biSize + colours * 4 > size) {
        SetLastError(ERROR_INVALID_DATA);
        return {};
    }
    // A run-length coded picture is always bottom-up; its runs must lie within the resource.
    size_t bitsOffset = header.biSize + colours * 4;
    int lines = std::abs(header.biHeight);
    size_t stride = ((size_t(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    size_t bitsSize = compressed ? header.biSizeImage : stride * size_t(lines);
    if ((compressed && header.biHeight < 0) || bitsSize > size - bitsOffset) {
        SetLastError(ERROR_INVALID_DATA);
        return {};
    }

    // The section gets the stored header and colour table, uncompressed; GDI expands the runs into it.
    std::vector<BYTE> plain(bytes, bytes + bitsOffset);
    auto* plainInfo = reinterpret_cast<BITMAPINFO*>(plain.data());
    plainInfo->bmiHeader.biCompression = BI_RGB;
    plainInfo->bmiHeader.biSizeImage = 0;
    void* pixels = nullptr;
    TGdiObject bitmap(CreateDIBSection(nullptr, plainInfo, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap.Valid())
        return {};
    TWindowDc screen(nullptr);
    if (SetDIBits(screen.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, UINT(lines), bytes + bitsOffset,
                  reinterpret_cast<const BITMAPINFO*>(bytes), DIB_RGB_COLORS) != lines) {
        SetLastError(ERROR_INVALID_DATA);
        return {};
    }
    return bitmap;
}

} // namespace zarvo
