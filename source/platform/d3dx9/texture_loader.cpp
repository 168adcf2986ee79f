#include "platform/d3dx9/texture_loader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fs/regular_file.h"
#include "platform/image/image_file.h"
#include "platform/log/load_failure.h"

namespace {
struct Image {
    int width = 0, height = 0;
    bool hasAlpha = false;
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
    std::vector<std::uint8_t> rgba;
};

D3DXIMAGE_FILEFORMAT FileFormatOf(image::FileFormat format) {
    switch (format) {
    case image::FileFormat::Png: return D3DXIFF_PNG;
    case image::FileFormat::Jpeg: return D3DXIFF_JPG;
    case image::FileFormat::Bmp: return D3DXIFF_BMP;
    }
    return D3DXIFF_BMP;
}

// The largest side a texture may have: the fixed limit, or the driver's when
// that is smaller.
int LargestSide(IDirect3DDevice9* device) {
    int largest = image::kMaxDimension;
    D3DCAPS9 caps{};
    if (device && SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.MaxTextureWidth > 0 && caps.MaxTextureHeight > 0)
        largest = static_cast<int>(
            std::min<DWORD>({static_cast<DWORD>(largest), caps.MaxTextureWidth, caps.MaxTextureHeight}));
    return largest;
}

// Reads and checks the file (and decodes it when pixels is set); a failure
// leaves one line naming the file.
bool LoadImage(LPCSTR file, int largestSide, Image* image, bool pixels) {
    if (!file) return false;
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!fs::ReadRegularFile(file, image::kMaxFileBytes, &bytes, &reason)) {
        vlog::LoadFailure(vlog::Category::Assets, file, "cannot read the image: %s", reason.c_str());
        return false;
    }
    image::Header header;
    const bool loaded = pixels ? image::Decode(bytes.data(), bytes.size(), largestSide, &header, &image->rgba, &reason)
                               : image::ReadHeader(bytes.data(), bytes.size(), largestSide, &header, &reason);
    if (!loaded) {
        vlog::LoadFailure(vlog::Category::Assets, file, "%s", reason.c_str());
        return false;
    }
    image->width = header.width;
    image->height = header.height;
    image->hasAlpha = header.channels == 2 || header.channels == 4;
    image->fileFormat = FileFormatOf(header.format);
    return true;
}

// Bilinear resampling, for the rare request of a size other than the file's.
std::vector<std::uint8_t> Resample(const Image& image, UINT width, UINT height, bool point) {
    std::vector<std::uint8_t> out(static_cast<size_t>(width) * height * 4);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const float sx =
                (static_cast<float>(x) + 0.5f) * static_cast<float>(image.width) / static_cast<float>(width) - 0.5f;
            const float sy =
                (static_cast<float>(y) + 0.5f) * static_cast<float>(image.height) / static_cast<float>(height) - 0.5f;
            for (int c = 0; c < 4; ++c) {
                auto at = [&](int px, int py) {
                    px = std::clamp(px, 0, image.width - 1);
                    py = std::clamp(py, 0, image.height - 1);
                    return static_cast<float>(image.rgba[(static_cast<size_t>(py) * image.width + px) * 4 + c]);
                };
                float value;
                if (point) {
                    value = at(static_cast<int>(std::lround(sx)), static_cast<int>(std::lround(sy)));
                } else {
                    const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
                    const float fx = sx - static_cast<float>(x0), fy = sy - static_cast<float>(y0);
                    value = (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
                            (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
                }
                out[(static_cast<size_t>(y) * width + x) * 4 + c] = static_cast<std::uint8_t>(std::lround(value));
            }
        }
    }
    return out;
}

UINT RequestedSize(UINT requested, int fileSize) {
    if (requested == 0 || requested == D3DX_DEFAULT || requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE)
        return static_cast<UINT>(fileSize);
    return requested;
}
}  // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR file, D3DXIMAGE_INFO* info) {
    Image image;
    if (!LoadImage(file, image::kMaxDimension, &image, false)) return D3DXERR_INVALIDDATA;
    if (info) {
        *info = D3DXIMAGE_INFO{static_cast<UINT>(image.width),
                               static_cast<UINT>(image.height),
                               1,
                               1,
                               image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
                               D3DRTYPE_TEXTURE,
                               image.fileFormat};
    }
    return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR file, IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileExA(device, file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR file, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* info, PALETTEENTRY*,
                                     IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    Image image;
    if (!LoadImage(file, LargestSide(device), &image, true)) return D3DXERR_INVALIDDATA;

    const UINT targetWidth = RequestedSize(width, image.width);
    const UINT targetHeight = RequestedSize(height, image.height);
    std::vector<std::uint8_t> rgba =
        targetWidth == static_cast<UINT>(image.width) && targetHeight == static_cast<UINT>(image.height)
            ? std::move(image.rgba)
            : Resample(image, targetWidth, targetHeight, filter == D3DX_FILTER_POINT || filter == D3DX_FILTER_NONE);
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        format = image.hasAlpha || colorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    const UINT levels = mipLevels == D3DX_DEFAULT || mipLevels == D3DX_FROM_FILE ? 0 : mipLevels;
    IDirect3DTexture9* created = IDirect3DTexture9::Create(targetWidth, targetHeight, levels, usage, format, pool);
    if (!created) {
        vlog::LoadFailure(vlog::Category::Assets, file, "cannot make a %u x %u texture of it", targetWidth,
                          targetHeight);
        return D3DERR_OUTOFVIDEOMEMORY;
    }

    D3DLOCKED_RECT locked{};
    if (FAILED(created->LockRect(0, &locked, nullptr, 0))) {
        created->Release();
        return D3DERR_INVALIDCALL;
    }
    auto* bgra = static_cast<std::uint8_t*>(locked.pBits);
    for (size_t i = 0, n = static_cast<size_t>(targetWidth) * targetHeight; i < n; ++i) {
        const std::uint8_t r = rgba[i * 4], g = rgba[i * 4 + 1], b = rgba[i * 4 + 2];
        const std::uint8_t a = image.hasAlpha ? rgba[i * 4 + 3] : 0xFF;
        const D3DCOLOR argb =
            (static_cast<DWORD>(a) << 24) | (static_cast<DWORD>(r) << 16) | (static_cast<DWORD>(g) << 8) | b;
        // A colour key names a full ARGB value; matching pixels become
        // transparent black.
        if (colorKey != 0 && argb == colorKey) {
            std::memset(bgra + i * 4, 0, 4);
            continue;
        }
        bgra[i * 4 + 0] = b;
        bgra[i * 4 + 1] = g;
        bgra[i * 4 + 2] = r;
        bgra[i * 4 + 3] = a;
    }
    created->UnlockRect(0);
    created->GenerateMipSubLevels();
    if (info) {
        *info = D3DXIMAGE_INFO{static_cast<UINT>(image.width),
                               static_cast<UINT>(image.height),
                               1,
                               1,
                               image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
                               D3DRTYPE_TEXTURE,
                               image.fileFormat};
    }
    *texture = created;
    return D3D_OK;
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    const UINT levels = mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
    return device->CreateTexture(width == 0 ? 1 : width, height == 0 ? 1 : height, levels, usage, format, pool, texture,
                                 nullptr);
}

HRESULT D3DXComputeNormalMap(IDirect3DTexture9* texture, IDirect3DTexture9* source, const PALETTEENTRY*, DWORD,
                             DWORD channel, float amplitude) {
    if (!texture || !source) return D3DERR_INVALIDCALL;
    if (source->Format() != D3DFMT_A8R8G8B8 && source->Format() != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (texture->Format() != D3DFMT_A8R8G8B8 && texture->Format() != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    const UINT width = texture->Width(), height = texture->Height();
    D3DLOCKED_RECT sourceLock{};
    if (FAILED(source->LockRect(0, &sourceLock, nullptr, 0))) return D3DERR_INVALIDCALL;
    const auto* sourceBytes = static_cast<const std::uint8_t*>(sourceLock.pBits);
    const UINT sourceWidth = source->Width(), sourceHeight = source->Height();
    std::vector<float> heights(static_cast<size_t>(width) * height);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const std::uint8_t* p =
                sourceBytes +
                (static_cast<size_t>(y * sourceHeight / height) * sourceWidth + x * sourceWidth / width) * 4;
            float h;
            switch (channel) {
            case D3DX_CHANNEL_BLUE: h = p[0]; break;
            case D3DX_CHANNEL_GREEN: h = p[1]; break;
            case D3DX_CHANNEL_ALPHA: h = p[3]; break;
            case D3DX_CHANNEL_LUMINANCE: h = 0.2125f * p[2] + 0.7154f * p[1] + 0.0721f * p[0]; break;
            default: h = p[2]; break;
            }
            heights[static_cast<size_t>(y) * width + x] = h / 255.0f;
        }
    }
    source->UnlockRect(0);

    D3DLOCKED_RECT lock{};
    if (FAILED(texture->LockRect(0, &lock, nullptr, 0))) return D3DERR_INVALIDCALL;
    auto* out = static_cast<std::uint8_t*>(lock.pBits);
    auto heightAt = [&](UINT x, UINT y) { return heights[static_cast<size_t>(y % height) * width + (x % width)]; };
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const float dx = (heightAt(x + 1, y) - heightAt(x + width - 1, y)) * 0.5f * amplitude;
            const float dy = (heightAt(x, y + 1) - heightAt(x, y + height - 1)) * 0.5f * amplitude;
            float nx = -dx, ny = -dy, nz = 1.0f;
            const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= length;
            ny /= length;
            nz /= length;
            std::uint8_t* p = out + (static_cast<size_t>(y) * width + x) * 4;
            p[0] = static_cast<std::uint8_t>(std::lround((nz + 1.0f) * 127.5f));
            p[1] = static_cast<std::uint8_t>(std::lround((ny + 1.0f) * 127.5f));
            p[2] = static_cast<std::uint8_t>(std::lround((nx + 1.0f) * 127.5f));
            p[3] = 0xFF;
        }
    }
    texture->UnlockRect(0);
    texture->GenerateMipSubLevels();
    return D3D_OK;
}
