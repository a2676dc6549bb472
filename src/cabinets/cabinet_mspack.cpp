// Decoding through libmspack. The library reads and writes only through the
// system interface it is given: this one reads the presented cabinet and
// hands each decoded byte on, so no file is ever opened or created. Every
// callback copes with any argument the library may pass: no file, a
// negative count, a seek past the end.
#include <mspack.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "cabinets/presented_cabinet.h"

namespace cabinets {

namespace {

// The names that open the presented cabinet and the decoded bytes' sink.
constexpr const char* kCabinetName = "presented.cab";
constexpr const char* kSinkName = "";

// What our system hands libmspack as a file: the cabinet, or the sink.
struct OpenFile {
  std::optional<PresentedFile> cabinet;
  DecodedBytes* sink = nullptr;
};

// The interface given to libmspack, with what its files open onto.
struct PresentingSystem {
  mspack_system base;
  // Read through the interface the library hands back to openFile.
  // cppcheck-suppress unusedStructMember
  const PresentedCabinet* cabinet;
  // cppcheck-suppress unusedStructMember
  DecodedBytes* sink;
};

OpenFile* asOpenFile(mspack_file* file) { return reinterpret_cast<OpenFile*>(file); }

mspack_file* openFile(mspack_system* self, const char* filename, int mode) {
  const auto& system = *reinterpret_cast<PresentingSystem*>(self);
  if (filename == nullptr) return nullptr;
  try {
    if (mode == MSPACK_SYS_OPEN_READ && std::strcmp(filename, kCabinetName) == 0) {
      return reinterpret_cast<mspack_file*>(new OpenFile{PresentedFile(*system.cabinet), nullptr});
    }
    if (mode == MSPACK_SYS_OPEN_WRITE && std::strcmp(filename, kSinkName) == 0) {
      return reinterpret_cast<mspack_file*>(new OpenFile{std::nullopt, system.sink});
    }
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

void closeFile(mspack_file* file) { delete asOpenFile(file); }

int readFile(mspack_file* file, void* buffer, int bytes) {
  if (file == nullptr || buffer == nullptr || bytes < 0) return -1;
  OpenFile& open = *asOpenFile(file);
  if (!open.cabinet) return -1;
  return static_cast<int>(
      open.cabinet->read(std::span<std::uint8_t>(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(bytes))));
}

int writeFile(mspack_file* file, void* buffer, int bytes) {
  if (file == nullptr || bytes < 0 || (buffer == nullptr && bytes > 0)) return -1;
  OpenFile& open = *asOpenFile(file);
  if (open.sink == nullptr) return -1;
  const std::span<const std::uint8_t> taken(static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(bytes));
  return open.sink->take(taken) ? bytes : -1;
}

int seekFile(mspack_file* file, off_t offset, int mode) {
  if (file == nullptr) return -1;
  OpenFile& open = *asOpenFile(file);
  if (!open.cabinet) return -1;
  const std::optional<PresentedFile::From> from = mode == MSPACK_SYS_SEEK_START ? PresentedFile::From::Start
                                                  : mode == MSPACK_SYS_SEEK_CUR ? PresentedFile::From::Current
                                                  : mode == MSPACK_SYS_SEEK_END ? PresentedFile::From::End
                                                                                : std::optional<PresentedFile::From>();
  return from && open.cabinet->seek(offset, *from) ? 0 : -1;
}

off_t tellFile(mspack_file* file) {
  if (file == nullptr) return -1;
  OpenFile& open = *asOpenFile(file);
  return open.cabinet ? static_cast<off_t>(open.cabinet->position()) : -1;
}

// The library's warnings: what went wrong comes back as its error codes, and
// the console stays the program's. Its interface asks for a C variadic here.
void ignoreMessage(mspack_file* /*file*/, const char* /*format*/, ...) {}  // NOLINT(cert-dcl50-cpp)

void* allocate(mspack_system* /*self*/, std::size_t bytes) { return std::malloc(bytes); }
void release(void* pointer) { std::free(pointer); }
void copyBytes(void* from, void* to, std::size_t bytes) {
  if (bytes > 0) std::memmove(to, from, bytes);
}

// The decompressor and the cabinet it opened, given back to the library at the end.
class OpenCabinet {
 public:
  explicit OpenCabinet(PresentingSystem& system)
      : decompressor_(mspack_create_cab_decompressor(&system.base)),
        cabinet_(decompressor_ != nullptr ? decompressor_->open(decompressor_, kCabinetName) : nullptr) {}
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

DecodeOutcome outcomeOf(int error) {
  if (error == MSPACK_ERR_OK) return DecodeOutcome::Complete;
  return error == MSPACK_ERR_NOMEMORY ? DecodeOutcome::NoMemory : DecodeOutcome::Failed;
}

}  // namespace

DecodeOutcome decodePresented(const PresentedCabinet& cabinet, DecodedBytes& out) {
  PresentingSystem system{{openFile, closeFile, readFile, writeFile, seekFile, tellFile, ignoreMessage, allocate,
                           release, copyBytes, nullptr},
                          &cabinet,
                          &out};
  const OpenCabinet open(system);
  if (open.decompressor() == nullptr) return DecodeOutcome::NoMemory;
  if (open.cabinet() == nullptr) return outcomeOf(open.decompressor()->last_error(open.decompressor()));
  mscabd_file* file = open.cabinet()->files;
  if (file == nullptr) return DecodeOutcome::Failed;
  return outcomeOf(open.decompressor()->extract(open.decompressor(), file, kSinkName));
}

}  // namespace cabinets
