// Cabinets through libmspack. The library reads and writes only through the
// system interface it is given: this one reads the cabinet from disk and
// takes each entry it writes into memory, so no file is ever created.
#include <mspack.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cabinets/cabinet_file.h"
#include "cabinets/cabinet_reader.h"

namespace cabinets {

namespace {

// The name that opens the memory sink instead of a file.
constexpr const char* kSinkName = "";

// What our system hands libmspack as a file: the cabinet on disk, or the sink.
struct OpenFile {
  std::optional<CabinetFile> disk;  // the cabinet, read
  EntrySink* sink = nullptr;        // the entry being written out
};

// The interface given to libmspack, with the sink its writes go to.
struct MemorySystem {
  mspack_system base;
  // Read through the interface the library hands back to openFile.
  // cppcheck-suppress unusedStructMember
  EntrySink* sink;
};

OpenFile* asOpenFile(mspack_file* file) { return reinterpret_cast<OpenFile*>(file); }

OpenFile* keep(OpenFile&& opened) {
  try {
    return new OpenFile(std::move(opened));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

mspack_file* openFile(mspack_system* self, const char* filename, int mode) {
  OpenFile opened;
  if (mode == MSPACK_SYS_OPEN_WRITE && std::strcmp(filename, kSinkName) == 0) {
    opened.sink = reinterpret_cast<MemorySystem*>(self)->sink;
  } else if (mode == MSPACK_SYS_OPEN_READ) {
    opened.disk = CabinetFile::open(filename);
  }
  if (!opened.disk && opened.sink == nullptr) return nullptr;
  return reinterpret_cast<mspack_file*>(keep(std::move(opened)));
}

void closeFile(mspack_file* file) { delete asOpenFile(file); }

int readFile(mspack_file* file, void* buffer, int bytes) {
  // A damaged cabinet can lead the library to hand back no file at all.
  if (file == nullptr) return -1;
  OpenFile* open = asOpenFile(file);
  if (!open->disk || bytes < 0) return -1;
  const std::optional<std::size_t> got =
      open->disk->read(std::span<std::uint8_t>(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(bytes)));
  return got ? static_cast<int>(*got) : -1;
}

int writeFile(mspack_file* file, void* buffer, int bytes) {
  if (file == nullptr) return -1;
  OpenFile* open = asOpenFile(file);
  if (open->sink == nullptr || bytes < 0) return -1;
  return open->sink->append(buffer, static_cast<std::size_t>(bytes)) ? bytes : -1;
}

int seekFile(mspack_file* file, off_t offset, int mode) {
  if (file == nullptr) return -1;
  OpenFile* open = asOpenFile(file);
  if (!open->disk) return -1;
  const CabinetFile::From from = mode == MSPACK_SYS_SEEK_START ? CabinetFile::From::Start
                                 : mode == MSPACK_SYS_SEEK_CUR ? CabinetFile::From::Current
                                                               : CabinetFile::From::End;
  return open->disk->seek(offset, from) ? 0 : -1;
}

off_t tellFile(mspack_file* file) {
  if (file == nullptr) return -1;
  OpenFile* open = asOpenFile(file);
  return open->disk ? static_cast<off_t>(open->disk->position()) : -1;
}

// The library's warnings about a damaged cabinet: the caller hears of the
// damage through the error codes, and the console stays the program's.
// The library's interface asks for a C variadic function here.
void ignoreMessage(mspack_file* /*file*/, const char* /*format*/, ...) {}  // NOLINT(cert-dcl50-cpp)

void* allocate(mspack_system* /*self*/, std::size_t bytes) { return std::malloc(bytes); }
void release(void* pointer) { std::free(pointer); }
void copyBytes(void* from, void* to, std::size_t bytes) { std::memmove(to, from, bytes); }

// The decompressor and the cabinet it opened, given back to the library at the end.
class OpenCabinet {
 public:
  OpenCabinet(MemorySystem& system, const std::string& path)
      : decompressor_(mspack_create_cab_decompressor(&system.base)),
        cabinet_(decompressor_ != nullptr ? decompressor_->open(decompressor_, path.c_str()) : nullptr) {}
  ~OpenCabinet() {
    if (cabinet_ != nullptr) decompressor_->close(decompressor_, cabinet_);
    if (decompressor_ != nullptr) mspack_destroy_cab_decompressor(decompressor_);
  }
  OpenCabinet(const OpenCabinet&) = delete;
  OpenCabinet& operator=(const OpenCabinet&) = delete;

  mscab_decompressor* decompressor() const { return decompressor_; }
  mscabd_cabinet* cabinet() const { return cabinet_; }

 private:
  mscab_decompressor* decompressor_;
  mscabd_cabinet* cabinet_;
};

}  // namespace

std::optional<CabinetProblem> readBglEntries(const std::string& path, const EntryVisitor& visit) {
  EntrySink entry;
  MemorySystem system{{openFile, closeFile, readFile, writeFile, seekFile, tellFile, ignoreMessage, allocate, release,
                       copyBytes, nullptr},
                      &entry};
  const OpenCabinet open(system, path);
  if (open.decompressor() == nullptr) return CabinetProblem::Damaged;
  if (open.cabinet() == nullptr) {
    return settledProblem(path);
  }
  std::optional<CabinetProblem> problem;
  for (mscabd_file* file = open.cabinet()->files; file != nullptr; file = file->next) {
    if (!isBglEntryName(file->filename) || file->length > kMaxEntrySize) continue;
    entry.clear();
    if (open.decompressor()->extract(open.decompressor(), file, kSinkName) != MSPACK_ERR_OK) {
      problem = CabinetProblem::Damaged;
      continue;
    }
    visit(file->filename, entry.bytes());
  }
  return problem;
}

}  // namespace cabinets
