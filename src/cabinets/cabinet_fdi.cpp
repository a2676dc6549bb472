// Decoding through the system's cabinet library (FDI, in cabinet.dll since
// Windows 95). The library reads and writes only through the callbacks it is
// given: these read the presented cabinet and hand each decoded byte on, so
// no file is ever opened or created. Every callback copes with any argument
// the library may pass: no file, a huge count, a seek past the end.
#include <windows.h>
// windows.h first: the cabinet header uses its types.
#include <fcntl.h>
#include <fdi.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "cabinets/presented_cabinet.h"

namespace cabinets {

namespace {

// What the callbacks hand the library as a file: the cabinet, or the sink.
struct OpenFile {
  std::optional<PresentedFile> cabinet;
  DecodedBytes* sink = nullptr;
};

// What a decoding works on. The library's open callback has no context of
// its own, so the cabinet's "name" is this context's address.
struct Presenting {
  const PresentedCabinet* cabinet;
  DecodedBytes* sink;
};

OpenFile* asOpenFile(INT_PTR handle) {
  return handle == 0 || handle == -1 ? nullptr : reinterpret_cast<OpenFile*>(handle);  // NOLINT(performance-no-int-to-ptr)
}
INT_PTR asHandle(OpenFile* file) { return file != nullptr ? reinterpret_cast<INT_PTR>(file) : -1; }

OpenFile* keep(OpenFile&& opened) {
  try {
    return new OpenFile(std::move(opened));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::string nameOf(const Presenting& presenting) {
  std::array<char, 2 * sizeof(std::uintptr_t)> digits{};
  const auto address = reinterpret_cast<std::uintptr_t>(&presenting);
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), address, 16).ptr;
  return std::string(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

void* DIAMONDAPI allocate(ULONG cb) { return std::malloc(cb); }
void DIAMONDAPI release(void* pv) { std::free(pv); }

// The library opens only the cabinet, for reading, under the name nameOf
// gave it. (Its interface passes the name as char*.)
INT_PTR DIAMONDAPI openFile(char* pszFile, int oflag, int /*pmode*/) {  // NOLINT(readability-non-const-parameter)
  if (pszFile == nullptr || (oflag & (_O_WRONLY | _O_RDWR)) != 0) return -1;
  const std::string_view name(pszFile);
  std::uintptr_t address = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), address, 16);
  if (error != std::errc() || end != name.data() + name.size() || address == 0) return -1;
  const auto* presenting = reinterpret_cast<const Presenting*>(address);  // NOLINT(performance-no-int-to-ptr)
  return asHandle(keep(OpenFile{PresentedFile(*presenting->cabinet), nullptr}));
}

UINT DIAMONDAPI readFile(INT_PTR hf, void* pv, UINT cb) {
  OpenFile* file = asOpenFile(hf);
  if (file == nullptr || !file->cabinet || (pv == nullptr && cb > 0)) return static_cast<UINT>(-1);
  return static_cast<UINT>(file->cabinet->read(std::span<std::uint8_t>(static_cast<std::uint8_t*>(pv), cb)));
}

UINT DIAMONDAPI writeFile(INT_PTR hf, void* pv, UINT cb) {
  OpenFile* file = asOpenFile(hf);
  if (file == nullptr || file->sink == nullptr || (pv == nullptr && cb > 0)) return static_cast<UINT>(-1);
  return file->sink->take(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(pv), cb)) ? cb
                                                                                                   : static_cast<UINT>(-1);
}

int DIAMONDAPI closeFile(INT_PTR hf) {
  OpenFile* file = asOpenFile(hf);
  if (file == nullptr) return -1;
  delete file;
  return 0;
}

__LONG32 DIAMONDAPI seekFile(INT_PTR hf, __LONG32 dist, int seektype) {
  OpenFile* file = asOpenFile(hf);
  if (file == nullptr || !file->cabinet) return -1;
  const std::optional<PresentedFile::From> from = seektype == SEEK_SET   ? PresentedFile::From::Start
                                                  : seektype == SEEK_CUR ? PresentedFile::From::Current
                                                  : seektype == SEEK_END ? PresentedFile::From::End
                                                                         : std::optional<PresentedFile::From>();
  if (!from || !file->cabinet->seek(dist, *from) || file->cabinet->position() > 0x7FFFFFFFU) return -1;
  return static_cast<__LONG32>(file->cabinet->position());
}

INT_PTR DIAMONDAPI notify(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin) {
  const Presenting& presenting = *static_cast<const Presenting*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE:
      return asHandle(keep(OpenFile{std::nullopt, presenting.sink}));
    case fdintCLOSE_FILE_INFO:
      closeFile(pfdin->hf);
      return TRUE;
    case fdintNEXT_CABINET:  // a presented cabinet is never part of a set
      return -1;
    default:
      return 0;
  }
}

// The library's context, given back at the end.
class Decoder {
 public:
  explicit Decoder(ERF& errors)
      : context_(FDICreate(allocate, release, openFile, readFile, writeFile, closeFile, seekFile, cpuUNKNOWN,
                           &errors)) {}
  ~Decoder() {
    if (context_ != nullptr) FDIDestroy(context_);
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  HFDI context() const { return context_; }

 private:
  HFDI context_;
};

}  // namespace

DecodeOutcome decodePresented(const PresentedCabinet& cabinet, DecodedBytes& out) {
  ERF errors{};
  const Decoder decoder(errors);
  if (decoder.context() == nullptr) return DecodeOutcome::NoMemory;
  Presenting presenting{&cabinet, &out};
  std::string name = nameOf(presenting);
  char noFolder[] = "";
  if (FDICopy(decoder.context(), name.data(), noFolder, 0, notify, nullptr, &presenting) != FALSE) {
    return DecodeOutcome::Complete;
  }
  return errors.erfOper == FDIERROR_ALLOC_FAIL ? DecodeOutcome::NoMemory : DecodeOutcome::Failed;
}

}  // namespace cabinets
