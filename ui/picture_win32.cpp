#include "ui/picture_win32.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "base/text_win32.h"

namespace zlv::ui {
namespace {

// GDI+ is reached through the flat API of gdiplus.dll, loaded on first use.
struct GdiplusApi {
  decltype(&Gdiplus::GdiplusStartup) Startup = nullptr;
  decltype(&Gdiplus::GdiplusShutdown) Shutdown = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateBitmapFromFile) CreateBitmapFromFile = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateBitmapFromScan0) CreateBitmapFromScan0 = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageWidth) GetImageWidth = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageHeight) GetImageHeight = nullptr;
  decltype(&Gdiplus::DllExports::GdipBitmapLockBits) BitmapLockBits = nullptr;
  decltype(&Gdiplus::DllExports::GdipBitmapUnlockBits) BitmapUnlockBits = nullptr;
  decltype(&Gdiplus::DllExports::GdipDisposeImage) DisposeImage = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageEncodersSize) GetImageEncodersSize = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageEncoders) GetImageEncoders = nullptr;
  decltype(&Gdiplus::DllExports::GdipSaveImageToFile) SaveImageToFile = nullptr;
  bool loaded = false;
};

template <typename F>
bool Resolve(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

const GdiplusApi& Api() {
  static const GdiplusApi api = [] {
    GdiplusApi a;
    HMODULE module = LoadLibraryW(L"gdiplus.dll");
    if (module == nullptr) return a;
    a.loaded = Resolve(module, "GdiplusStartup", a.Startup) &&
               Resolve(module, "GdiplusShutdown", a.Shutdown) &&
               Resolve(module, "GdipCreateBitmapFromFile", a.CreateBitmapFromFile) &&
               Resolve(module, "GdipCreateBitmapFromScan0", a.CreateBitmapFromScan0) &&
               Resolve(module, "GdipGetImageWidth", a.GetImageWidth) &&
               Resolve(module, "GdipGetImageHeight", a.GetImageHeight) &&
               Resolve(module, "GdipBitmapLockBits", a.BitmapLockBits) &&
               Resolve(module, "GdipBitmapUnlockBits", a.BitmapUnlockBits) &&
               Resolve(module, "GdipDisposeImage", a.DisposeImage) &&
               Resolve(module, "GdipGetImageEncodersSize", a.GetImageEncodersSize) &&
               Resolve(module, "GdipGetImageEncoders", a.GetImageEncoders) &&
               Resolve(module, "GdipSaveImageToFile", a.SaveImageToFile);
    return a;
  }();
  return api;
}

// Sessions alive in the process; pictures decode only while there is one.
std::mutex g_sessionMutex;
int g_sessions = 0;

bool GdiplusRunning() {
  std::lock_guard<std::mutex> lock(g_sessionMutex);
  return g_sessions > 0;
}

// GDI+'s JPEG quality parameter (the headers declare it without defining it).
constexpr GUID kEncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

// Larger pictures than this are refused rather than risking a huge allocation.
constexpr int kMaxPictureSide = 16384;

struct DecodedPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;  // top-down, width * 4 bytes per row
};

bool Decode(const std::wstring& path, DecodedPixels& out) {
  const GdiplusApi& api = Api();
  if (!api.loaded || !GdiplusRunning()) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (api.CreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok || bitmap == nullptr) {
    return false;
  }
  bool ok = false;
  UINT width = 0, height = 0;
  if (api.GetImageWidth(bitmap, &width) == Gdiplus::Ok &&
      api.GetImageHeight(bitmap, &height) == Gdiplus::Ok && width > 0 && height > 0 &&
      width <= kMaxPictureSide && height <= kMaxPictureSide) {
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bytes.assign(static_cast<std::size_t>(width) * height * 4, 0);
    Gdiplus::GpRect rect(0, 0, out.width, out.height);
    Gdiplus::BitmapData data{};
    data.Width = width;
    data.Height = height;
    data.Stride = out.width * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = out.bytes.data();
    if (api.BitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                           PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
      ok = api.BitmapUnlockBits(bitmap, &data) == Gdiplus::Ok;
    }
  }
  api.DisposeImage(bitmap);
  return ok;
}

// Decoded pixels by file, most recently used first, within a byte budget.
class PictureCache {
 public:
  std::shared_ptr<const DecodedPixels> Load(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return nullptr;
    const std::uint64_t written =
        (std::uint64_t{attributes.ftLastWriteTime.dwHighDateTime} << 32) |
        attributes.ftLastWriteTime.dwLowDateTime;
    const std::uint64_t size =
        (std::uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path == path) {
          if (it->written == written && it->size == size) {
            entries_.splice(entries_.begin(), entries_, it);
            return entries_.front().pixels;
          }
          bytes_ -= it->pixels->bytes.size();
          entries_.erase(it);
          break;
        }
      }
    }
    auto decoded = std::make_shared<DecodedPixels>();
    if (!Decode(path, *decoded)) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_front(Entry{path, written, size, decoded});
    bytes_ += decoded->bytes.size();
    while (bytes_ > kBudget && entries_.size() > 1) {
      bytes_ -= entries_.back().pixels->bytes.size();
      entries_.pop_back();
    }
    return decoded;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    bytes_ = 0;
  }

 private:
  static constexpr std::size_t kBudget = 64u << 20;
  struct Entry {
    std::wstring path;
    std::uint64_t written;
    std::uint64_t size;
    std::shared_ptr<const DecodedPixels> pixels;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
  std::size_t bytes_ = 0;
};

PictureCache& Cache() {
  static PictureCache cache;
  return cache;
}

bool EncoderFor(PictureFormat format, CLSID& clsid) {
  const GdiplusApi& api = Api();
  const wchar_t* mime = format == PictureFormat::Jpeg  ? L"image/jpeg"
                        : format == PictureFormat::Png ? L"image/png"
                                                       : L"image/bmp";
  UINT count = 0, size = 0;
  if (api.GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (api.GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && std::wcscmp(codecs[i].MimeType, mime) == 0) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

GdiplusSession::GdiplusSession() {
  const GdiplusApi& api = Api();
  if (!api.loaded) return;
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (api.Startup(&token, &input, nullptr) != Gdiplus::Ok) return;
  token_ = token;
  std::lock_guard<std::mutex> lock(g_sessionMutex);
  ++g_sessions;
}

GdiplusSession::~GdiplusSession() {
  if (token_ == 0) return;
  {
    std::lock_guard<std::mutex> lock(g_sessionMutex);
    --g_sessions;
  }
  Api().Shutdown(token_);
}

SkinPicture::~SkinPicture() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

SkinPicture::SkinPicture(SkinPicture&& other) noexcept
    : bitmap_(other.bitmap_), bits_(other.bits_), width_(other.width_), height_(other.height_) {
  other.bitmap_ = nullptr;
  other.bits_ = nullptr;
  other.width_ = other.height_ = 0;
}

SkinPicture& SkinPicture::operator=(SkinPicture&& other) noexcept {
  if (this != &other) {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    bitmap_ = other.bitmap_;
    bits_ = other.bits_;
    width_ = other.width_;
    height_ = other.height_;
    other.bitmap_ = nullptr;
    other.bits_ = nullptr;
    other.width_ = other.height_ = 0;
  }
  return *this;
}

SkinPicture SkinPicture::Blank(int width, int height) {
  SkinPicture picture;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    return picture;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    return picture;
  }
  picture.bitmap_ = bitmap;
  picture.bits_ = bits;
  picture.width_ = width;
  picture.height_ = height;
  return picture;
}

PixelView SkinPicture::Pixels() const {
  if (bitmap_ == nullptr) return PixelView{};
  return PixelView{static_cast<const std::uint8_t*>(bits_), width_, height_,
                   static_cast<std::ptrdiff_t>(width_) * 4};
}

HBITMAP SkinPicture::Release() {
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
  return bitmap;
}

SkinPicture LoadSkinPicture(TextView path) {
  const std::shared_ptr<const DecodedPixels> pixels = Cache().Load(ToWide(path));
  if (!pixels) return SkinPicture{};
  SkinPicture picture = SkinPicture::Blank(pixels->width, pixels->height);
  if (picture.Empty()) return picture;
  std::memcpy(picture.MutableBits(), pixels->bytes.data(), pixels->bytes.size());
  return picture;
}

void ClearSkinPictureCache() { Cache().Clear(); }

bool SavePicture(const PixelView& pixels, TextView path, PictureFormat format, int jpegQuality) {
  const GdiplusApi& api = Api();
  if (!api.loaded || !GdiplusRunning() || pixels.data == nullptr || pixels.width <= 0 ||
      pixels.height <= 0) {
    return false;
  }
  CLSID encoder{};
  if (!EncoderFor(format, encoder)) return false;
  // GDI+ reads the rows through a writable pointer but does not change them.
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (api.CreateBitmapFromScan0(pixels.width, pixels.height, static_cast<INT>(pixels.stride),
                                PixelFormat32bppRGB, const_cast<BYTE*>(pixels.data),
                                &bitmap) != Gdiplus::Ok ||
      bitmap == nullptr) {
    return false;
  }
  Gdiplus::EncoderParameters parameters{};
  ULONG quality = static_cast<ULONG>(jpegQuality < 0 ? 0 : jpegQuality > 100 ? 100 : jpegQuality);
  parameters.Count = 1;
  parameters.Parameter[0].Guid = kEncoderQuality;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Value = &quality;
  const std::wstring file = ToWide(path);
  const bool ok = api.SaveImageToFile(bitmap, file.c_str(), &encoder,
                                      format == PictureFormat::Jpeg ? &parameters : nullptr) ==
                  Gdiplus::Ok;
  api.DisposeImage(bitmap);
  return ok;
}

namespace {

// One region from rectangles in one call.
UniqueRegion CreateRegion(const PixelRect* rects, std::size_t count) {
  std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  RECT bounds{rects[0].left, rects[0].top, rects[0].right, rects[0].bottom};
  auto* out = reinterpret_cast<RECT*>(data->Buffer);
  for (std::size_t i = 0; i < count; ++i) {
    const PixelRect& r = rects[i];
    out[i] = RECT{r.left, r.top, r.right, r.bottom};
    bounds.left = std::min(bounds.left, static_cast<LONG>(r.left));
    bounds.top = std::min(bounds.top, static_cast<LONG>(r.top));
    bounds.right = std::max(bounds.right, static_cast<LONG>(r.right));
    bounds.bottom = std::max(bounds.bottom, static_cast<LONG>(r.bottom));
  }
  data->rdh.rcBound = bounds;
  return UniqueRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
}

}  // namespace

UniqueRegion RegionFromRects(const std::vector<PixelRect>& rects, std::size_t piece) {
  if (rects.empty()) return UniqueRegion(CreateRectRgn(0, 0, 0, 0));
  if (piece == 0) piece = 1;
  if (rects.size() <= piece) {
    UniqueRegion whole = CreateRegion(rects.data(), rects.size());
    if (whole) return whole;
    // Some systems refuse large region data: fall back to smaller pieces.
    piece = std::min<std::size_t>(kRegionPiece, std::max<std::size_t>(1, rects.size() / 2));
  }
  // Pieces of consecutive rows, then merged pairwise, so that no merge walks
  // the whole region more than a logarithmic number of times.
  std::vector<UniqueRegion> parts;
  for (std::size_t start = 0; start < rects.size(); start += piece) {
    parts.push_back(CreateRegion(rects.data() + start, std::min(piece, rects.size() - start)));
    if (!parts.back()) return UniqueRegion();
  }
  while (parts.size() > 1) {
    std::vector<UniqueRegion> merged;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
      if (i + 1 < parts.size() &&
          CombineRgn(parts[i].get(), parts[i].get(), parts[i + 1].get(), RGN_OR) == ERROR) {
        return UniqueRegion();
      }
      merged.push_back(std::move(parts[i]));
    }
    parts = std::move(merged);
  }
  return std::move(parts.front());
}

UniqueRegion MaskShape(const PixelView& mask) {
  return RegionFromRects(MaskBands(MaskRuns(mask)));
}

UniqueRegion MaskShape(const SkinPicture& mask) {
  if (mask.Empty()) return UniqueRegion(CreateRectRgn(0, 0, 0, 0));
  GdiFlush();
  return MaskShape(mask.Pixels());
}

UniqueRegion RectShape(int width, int height) {
  const PixelRect r = RectShapeRect(width, height);
  return UniqueRegion(CreateRectRgn(r.left, r.top, r.right, r.bottom));
}

bool ApplyShape(HWND window, UniqueRegion shape) {
  if (!shape) return false;
  if (SetWindowRgn(window, shape.get(), TRUE) == 0) return false;  // still ours: deleted
  (void)shape.release();  // the window owns it now
  return true;
}

void CopyBand(HDC target, HDC source, int left, int top, int width, int height) {
  BitBlt(target, left, top, width, height, source, left, top, SRCCOPY);
}

const wchar_t* SkinFontFace(bool english) {
  return english ? L"Consolas" : L"\u5B8B\u4F53";  // 宋体
}

UniqueFont SkinFont(HDC dc, bool english) { return SkinFontOfSize(dc, SkinFontFace(english), 100); }

UniqueFont SkinFontOfSize(HDC dc, const wchar_t* face, int tenthsOfPoint) {
  HDC measure = dc != nullptr ? dc : GetDC(nullptr);
  // The size in the context's logical units.
  POINT size{0, MulDiv(GetDeviceCaps(measure, LOGPIXELSY), tenthsOfPoint, 720)};
  POINT origin{0, 0};
  DPtoLP(measure, &size, 1);
  DPtoLP(measure, &origin, 1);
  if (dc == nullptr) ReleaseDC(nullptr, measure);
  LOGFONTW font{};
  const int height = size.y - origin.y;
  font.lfHeight = height < 0 ? height : -height;
  font.lfCharSet = DEFAULT_CHARSET;
  wcsncpy_s(font.lfFaceName, LF_FACESIZE, face, _TRUNCATE);
  return UniqueFont(CreateFontIndirectW(&font));
}

void CenteredText(HDC dc, TextView text, const PixelRect& box, COLORREF colour) {
  const std::wstring wide = ToWide(text);
  SIZE extent{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  const PixelPoint at = CenteredTextOrigin(box, extent.cx, extent.cy);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, colour);
  TextOutW(dc, at.x, at.y, wide.c_str(), static_cast<int>(wide.size()));
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace zlv::ui
