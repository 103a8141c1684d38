#include "BitmapBits.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

HRESULT BitmapBits::Size(long width, long height, long* bytes) {
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  unsigned long long total = Stride(width) * (unsigned long long)height + sizeof(BITMAPINFOHEADER);
  if (total > LONG_MAX) return E_INVALIDARG;
  *bytes = long(total);
  return S_OK;
}

void BitmapBits::Span(long i, long count, LONG size, LONG* first, LONG* end) {
  *first = LONG((long long)i * size / count);
  *end = LONG((long long)(i + 1) * size / count);
  if (*end <= *first) *end = *first + 1;
}

bool BitmapBits::Holds(const FramePixels& frame) {
  return frame.width > 0 && frame.height > 0 && (frame.pixelBytes == 3 || frame.pixelBytes == 4) &&
         frame.stride >= size_t(frame.width) * frame.pixelBytes &&
         frame.bytes.size() / frame.stride >= size_t(frame.height);
}

HRESULT BitmapBits::Write(const FramePixels& frame, long width, long height, BYTE* out) {
  if (!Holds(frame)) return E_UNEXPECTED;
  // The source columns each output column covers, [first, end) in pairs.
  std::unique_ptr<LONG[]> columns(new (std::nothrow) LONG[size_t(width) * 2]);
  if (!columns) return E_OUTOFMEMORY;
  for (long x = 0; x < width; ++x) Span(x, width, frame.width, &columns[2 * x], &columns[2 * x + 1]);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(Stride(width) * size_t(height));
  memcpy(out, &header, sizeof header);
  for (long y = 0; y < height; ++y) {
    LONG top, bottom;
    Span(y, height, frame.height, &top, &bottom);
    BYTE* row = out + sizeof header + Stride(width) * size_t(height - 1 - y);
    WriteRow(frame, columns.get(), width, top, bottom, row);
  }
  return S_OK;
}

void BitmapBits::WriteRow(const FramePixels& frame, const LONG* columns, long width, LONG top, LONG bottom,
                          BYTE* row) {
  memset(row + width * 3, 0, Stride(width) - size_t(width) * 3);
  for (long x = 0; x < width; ++x, row += 3, columns += 2) {
    unsigned long long sum[3] = {};
    for (LONG y = top; y < bottom; ++y) {
      size_t stored = size_t(frame.bottomUp ? frame.height - 1 - y : y);
      const BYTE* pixel = frame.bytes.data() + stored * frame.stride + size_t(columns[0]) * frame.pixelBytes;
      for (LONG sx = columns[0]; sx < columns[1]; ++sx, pixel += frame.pixelBytes)
        for (int c = 0; c < 3; ++c) sum[c] += pixel[c];
    }
    unsigned long long count = (unsigned long long)(bottom - top) * (columns[1] - columns[0]);
    for (int c = 0; c < 3; ++c) row[c] = BYTE((sum[c] + count / 2) / count);
  }
}

HRESULT BitmapBits::WriteFile(const FramePixels& frame, long width, long height, const wchar_t* path) {
  long bits = 0;
  HRESULT hr = Size(width, height, &bits);
  if (FAILED(hr)) return hr;
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4d42;  // "BM"
  header.bfSize = DWORD(sizeof header + bits);
  header.bfOffBits = sizeof header + sizeof(BITMAPINFOHEADER);
  std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[header.bfSize]);
  if (!bytes) return E_OUTOFMEMORY;
  memcpy(bytes.get(), &header, sizeof header);
  hr = Write(frame, width, height, bytes.get() + sizeof header);
  if (FAILED(hr)) return hr;

  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? STG_E_ACCESSDENIED
                                                                             : HRESULT_FROM_WIN32(error);
  }
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, bytes.get(), header.bfSize, &written, nullptr);
  hr = ok && written == header.bfSize ? S_OK : ok ? E_FAIL : HRESULT_FROM_WIN32(GetLastError());
  CloseHandle(file);
  if (FAILED(hr)) DeleteFileW(path);
  return hr;
}
