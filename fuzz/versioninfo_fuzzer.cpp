// Fuzz target of the version resources of executables: the input is a file
// read by the layer's version functions and by the run's version text.
// Checks: the block handed out is bytes of the file; a short buffer gets
// the block's start with its length word lowered to the buffer; the fixed
// block found lies inside the block and carries its signature; the version
// text has one of its three forms.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "compare/CompareRun.h"
#include "fuzz/fuzz_support.h"
#include "records/FileInfo.h"

namespace {

using qvfuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InstallSilentPeople();
  const std::string path = qvfuzz::Work().File("v.exe");
  qvfuzz::WriteBytes(path, data, size);
  const std::string_view file(reinterpret_cast<const char*>(data), size);

  DWORD handle = 1;
  const DWORD blockSize = GetFileVersionInfoSizeA(path.c_str(), &handle);
  Require(handle == 0);
  if (blockSize != 0) {
    Require(blockSize >= 6 && blockSize <= size);
    std::vector<uint8_t> block(blockSize);
    Require(GetFileVersionInfoA(path.c_str(), 0, blockSize, block.data()));
    const std::string_view whole(reinterpret_cast<const char*>(block.data()), blockSize);
    Require(file.find(whole) != std::string_view::npos);

    LPVOID fixed = nullptr;
    UINT fixedLen = 0;
    if (VerQueryValueA(block.data(), "\\", &fixed, &fixedLen)) {
      const auto* p = static_cast<const uint8_t*>(fixed);
      Require(p >= block.data() && fixedLen == sizeof(VS_FIXEDFILEINFO));
      Require(p + fixedLen <= block.data() + blockSize);
      DWORD signature;
      std::memcpy(&signature, p, sizeof signature);
      Require(signature == 0xFEEF04BD);
    }

    const DWORD shortLen = blockSize / 2;
    std::vector<uint8_t> part(shortLen > 0 ? shortLen : 1);
    if (GetFileVersionInfoA(path.c_str(), 0, shortLen, part.data())) {
      Require(shortLen >= 6);
      Require(std::memcmp(part.data() + 2, block.data() + 2, shortLen - 2) == 0);
      Require((part[0] | (part[1] << 8)) == static_cast<int>(shortLen));
      VerQueryValueA(part.data(), "\\", &fixed, &fixedLen);  // must stay inside
    }
  }

  CZEKFileInfo side;
  GetVersionText(side, path.c_str());
  const CString& text = side.m_strVersion;
  Require(text == kNoVersionText || text == "????              , ????" || text.Find(" , Release") > 0 ||
          text.Find(" , Debug") > 0);
  Require(blockSize != 0 || text == kNoVersionText);
  return 0;
}
