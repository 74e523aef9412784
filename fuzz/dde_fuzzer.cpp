// Fuzz target of the DDE socket messages: what a client sends the server
// and what the server answers. A message that reads as whole must be the
// encoding of what was read, every shorter start of it must ask for more,
// and anything after it makes it no message. Fields taken from the input
// encode and read back unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/os/ddesocket.h"

namespace {

using qv::dde::Parse;
using qvfuzz::Require;

template <typename Message, typename Decode, typename Encode>
void CheckReader(const std::string& bytes, Decode decode, Encode encode) {
  Message m;
  const Parse p = decode(bytes, &m);
  if (p == Parse::Done) {
    Require(encode(m) == bytes);
    for (size_t cut : {size_t{0}, bytes.size() / 2, bytes.size() - 1}) {
      Require(decode(std::string_view(bytes).substr(0, cut), nullptr) == Parse::NeedMore);
    }
    Require(decode(bytes + "x", nullptr) == Parse::Bad);
  } else if (p == Parse::Bad) {
    Require(decode(bytes + std::string(16, '\0'), nullptr) == Parse::Bad);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckReader<qv::dde::Request>(bytes, qv::dde::DecodeRequest, qv::dde::EncodeRequest);
  CheckReader<qv::dde::Reply>(bytes, qv::dde::DecodeReply, qv::dde::EncodeReply);

  FuzzedDataProvider in(data, size);
  qv::dde::Request r;
  r.type = in.ConsumeBool() ? XTYP_EXECUTE : XTYP_REQUEST;
  r.format = in.ConsumeIntegral<DWORD>();
  r.topic = in.ConsumeRandomLengthString(qv::dde::kMaxName);
  r.item = in.ConsumeRandomLengthString(qv::dde::kMaxName);
  r.data = in.ConsumeRemainingBytesAsString();
  qv::dde::Request back;
  Require(qv::dde::DecodeRequest(qv::dde::EncodeRequest(r), &back) == Parse::Done);
  Require(back.type == r.type && back.format == r.format && back.topic == r.topic && back.item == r.item &&
          back.data == r.data);
  return 0;
}
