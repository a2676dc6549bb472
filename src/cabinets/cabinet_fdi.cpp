// Cabinets through the system's cabinet library (FDI, in cabinet.dll since
// Windows 95). The library reads and writes only through the callbacks it is
// given: these read the cabinet from disk and take each entry it writes into
// memory, so no file is ever created.
#include <windows.h>
// windows.h first: the cabinet header uses its types.
#include <fcntl.h>
#include <fdi.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "cabinets/cabinet_file.h"
#include "cabinets/cabinet_reader.h"
#include "platform/path_text.h"

namespace cabinets {

namespace {

// What the callbacks hand the library as a file: the cabinet on disk, or the sink.
struct OpenFile {
  std::optional<CabinetFile> disk;  // the cabinet, read
  EntrySink* sink = nullptr;        // the entry being written out
};

// What the notifications work with: the entry coming out, and what to do with it.
struct Extraction {
  const EntryVisitor* visit;
  EntrySink entry;
  std::exception_ptr failure;  // thrown by `visit`, carried across the library
};

OpenFile* asOpenFile(INT_PTR handle) { return reinterpret_cast<OpenFile*>(handle); }  // NOLINT(performance-no-int-to-ptr)
INT_PTR asHandle(OpenFile* file) { return reinterpret_cast<INT_PTR>(file); }

OpenFile* keep(OpenFile&& opened) {
  try {
    return new OpenFile(std::move(opened));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* DIAMONDAPI allocate(ULONG cb) { return std::malloc(cb); }
void DIAMONDAPI release(void* pv) { std::free(pv); }

// The library opens only the cabinet: for reading. (Its interface passes the name as char*.)
INT_PTR DIAMONDAPI openFile(char* pszFile, int oflag, int /*pmode*/) {  // NOLINT(readability-non-const-parameter)
  if ((oflag & (_O_WRONLY | _O_RDWR)) != 0) return -1;
  OpenFile opened;
  opened.disk = CabinetFile::open(pszFile);
  OpenFile* file = opened.disk ? keep(std::move(opened)) : nullptr;
  return file != nullptr ? asHandle(file) : -1;
}

UINT DIAMONDAPI readFile(INT_PTR hf, void* pv, UINT cb) {
  OpenFile* file = asOpenFile(hf);
  if (!file->disk) return static_cast<UINT>(-1);
  const std::optional<std::size_t> got = file->disk->read(std::span<std::uint8_t>(static_cast<std::uint8_t*>(pv), cb));
  return got ? static_cast<UINT>(*got) : static_cast<UINT>(-1);
}

UINT DIAMONDAPI writeFile(INT_PTR hf, void* pv, UINT cb) {
  OpenFile* file = asOpenFile(hf);
  if (file->sink == nullptr) return static_cast<UINT>(-1);
  return file->sink->append(pv, cb) ? cb : static_cast<UINT>(-1);
}

int DIAMONDAPI closeFile(INT_PTR hf) {
  delete asOpenFile(hf);
  return 0;
}

__LONG32 DIAMONDAPI seekFile(INT_PTR hf, __LONG32 dist, int seektype) {
  OpenFile* file = asOpenFile(hf);
  if (!file->disk) return -1;
  const CabinetFile::From from = seektype == SEEK_SET   ? CabinetFile::From::Start
                                 : seektype == SEEK_CUR ? CabinetFile::From::Current
                                                        : CabinetFile::From::End;
  if (!file->disk->seek(dist, from) || file->disk->position() > 0x7FFFFFFFU) return -1;
  return static_cast<__LONG32>(file->disk->position());
}

// An entry the search wants gets the sink; any other is passed over (0), as
// is one continued from or into another cabinet: a single cabinet only.
INT_PTR copyEntry(const FDINOTIFICATION& note, Extraction& extraction) {
  if (!isBglEntryName(note.psz1) || note.cb < 0 || static_cast<std::uint32_t>(note.cb) > kMaxEntrySize) return 0;
  extraction.entry.clear();
  OpenFile opened;
  opened.sink = &extraction.entry;
  OpenFile* sink = keep(std::move(opened));
  return sink != nullptr ? asHandle(sink) : -1;
}

INT_PTR entryOut(const FDINOTIFICATION& note, Extraction& extraction) {
  delete asOpenFile(note.hf);
  try {
    (*extraction.visit)(note.psz1, extraction.entry.bytes());
  } catch (...) {
    extraction.failure = std::current_exception();
    return FALSE;
  }
  return TRUE;
}

INT_PTR DIAMONDAPI notify(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin) {
  Extraction& extraction = *static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE:
      return copyEntry(*pfdin, extraction);
    case fdintCLOSE_FILE_INFO:
      return entryOut(*pfdin, extraction);
    case fdintNEXT_CABINET:
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

std::optional<CabinetProblem> readBglEntries(const std::string& path, const EntryVisitor& visit) {
  ERF errors{};
  const Decoder decoder(errors);
  if (decoder.context() == nullptr) return CabinetProblem::Damaged;
  // The library joins the folder (with its separator) and the name.
  std::string name = platform::fileNameOf(path);
  std::string folder = path.substr(0, path.size() - name.size());
  Extraction extraction{&visit, {}, nullptr};
  const bool complete = FDICopy(decoder.context(), name.data(), folder.data(), 0, notify, nullptr, &extraction) != FALSE;
  if (extraction.failure) std::rethrow_exception(extraction.failure);
  if (complete) return std::nullopt;
  return settledProblem(path);
}

}  // namespace cabinets
