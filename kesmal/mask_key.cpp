#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "kesmal/pseudonym.h"

namespace kesmal {
namespace {

constexpr std::size_t kHexLength = 2 * std::tuple_size_v<MaskKey>;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::string SystemError(const std::string& path, std::string_view what) {
  return path + ": " + std::string(what) + ": " + std::strerror(errno);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view WithoutLineEnd(std::string_view text) {
  if (text.ends_with("\r\n")) return text.substr(0, text.size() - 2);
  if (text.ends_with('\n')) return text.substr(0, text.size() - 1);
  return text;
}

std::optional<MaskKey> KeyOfText(std::string_view text) {
  MaskKey key{};
  if (text.size() == key.size()) {
    std::memcpy(key.data(), text.data(), key.size());
    return key;
  }
  const std::string_view hex = WithoutLineEnd(text);
  if (hex.size() != kHexLength) return std::nullopt;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return key;
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

void FillRandom(MaskKey& key) {
  std::size_t filled = 0;
  while (filled < key.size()) {
    const ssize_t got = getrandom(key.data() + filled, key.size() - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw MaskError(SystemError("getrandom", "the system's random source failed"));
    filled += static_cast<std::size_t>(got);
  }
}

void WriteAll(int fd, std::string_view text, const std::string& path) {
  while (!text.empty()) {
    const ssize_t wrote = write(fd, text.data(), text.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) throw MaskError(SystemError(path, "cannot write the key"));
    text.remove_prefix(static_cast<std::size_t>(wrote));
  }
}

}  // namespace

MaskKey ReadKeyFile(const std::string& path) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) throw MaskError(SystemError(path, "cannot open the key file"));
  struct stat status {};
  if (fstat(file.Get(), &status) != 0)
    throw MaskError(SystemError(path, "cannot read the key file"));
  if ((status.st_mode & 077) != 0) {
    throw MaskError("Permissions " + ModeText(status.st_mode) + " for '" + path +
                    "' are too open: a key file must not be accessible by its group or others "
                    "(chmod 600 '" +
                    path + "'). This key is ignored.");
  }
  std::string text(kHexLength + 3, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t read = ::read(file.Get(), text.data() + got, text.size() - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) throw MaskError(SystemError(path, "cannot read the key file"));
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  text.resize(got);
  const auto key = KeyOfText(text);
  OPENSSL_cleanse(text.data(), text.size());
  if (!key) {
    throw MaskError(
        path +
        ": a key file holds 32 bytes, or 64 hexadecimal digits and a line end; this one holds " +
        std::to_string(got) + (got > kHexLength + 2 ? " or more" : "") + " bytes of another kind");
  }
  return *key;
}

void WriteNewKeyFile(const std::string& path) {
  FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (file.Get() < 0 && errno == EEXIST)
    throw MaskError(path + ": the file exists; a new key never overwrites a file");
  if (file.Get() < 0) throw MaskError(SystemError(path, "cannot create the key file"));
  try {
    if (fchmod(file.Get(), 0600) != 0) throw MaskError(SystemError(path, "cannot set mode 0600"));
    MaskKey key;
    FillRandom(key);
    std::string hex;
    for (const std::uint8_t byte : key) {
      static constexpr char kDigits[] = "0123456789abcdef";
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 15];
    }
    OPENSSL_cleanse(key.data(), key.size());
    WriteAll(file.Get(), hex + '\n', path);
    OPENSSL_cleanse(hex.data(), hex.size());
    if (fsync(file.Get()) != 0 || close(file.Release()) != 0)
      throw MaskError(SystemError(path, "cannot write the key"));
  } catch (...) {
    unlink(path.c_str());
    throw;
  }
}

}  // namespace kesmal
