// Fuzz target of the document reader: every input is read the way an opened
// file is (the document emptied, then its contents read from the bytes).
// A failed read must leave a document that can go on as a new one; a
// successful read must store again and read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ZEKApp.h"
#include "fuzz/fuzz_support.h"
#include "records/ZEKDoc.h"

namespace {

class FuzzDoc : public CZEKDoc {
 public:
  using CZEKDoc::LoadContents;
  using CZEKDoc::StoreContents;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InstallSilentPeople();
  static FuzzDoc doc;

  doc.DeleteContents();
  doc.SetModifiedFlag(TRUE);
  CString error;
  if (!doc.LoadContents(data, size, error)) {
    if (error.IsEmpty()) __builtin_trap();  // a failure must say what it was
    doc.DeleteContents();
    if (!doc.OnNewDocument() || doc.m_pCurrentEntry == nullptr) __builtin_trap();
    return 0;
  }
  if (doc.m_pCurrentEntry == nullptr) __builtin_trap();

  // What was read stores and reads back.
  std::string stored;
  CString storeError;
  if (!doc.StoreContents(
          [&](const void* p, size_t n) {
            stored.append(static_cast<const char*>(p), n);
            return true;
          },
          storeError)) {
    __builtin_trap();
  }
  doc.DeleteContents();
  CString reloadError;
  if (!doc.LoadContents(reinterpret_cast<const BYTE*>(stored.data()), stored.size(), reloadError)) __builtin_trap();
  return 0;
}
