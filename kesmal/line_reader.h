#pragma once
// A stream read in blocks of whole lines, for the batch commands.
#include <algorithm>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace kesmal {

// Standard input in blocks of whole lines, each ended by LF (a last line
// without one is given one), read in large pieces of whatever has arrived. A
// block is given once it is large or once nothing more has arrived; before a
// read that may wait, the callback writes every answer so far.
class BlockReader {
 public:
  explicit BlockReader(std::istream& in) : in_(*in.rdbuf()) {}

  // The next block, valid until the next call; none at the end.
  template <typename BeforeWait>
  std::optional<std::string_view> Next(BeforeWait beforeWait) {
    DropGiven();
    for (;;) {
      if (ended_) {
        if (end_ == 0) return std::nullopt;
        if (buffer_[end_ - 1] != '\n') {
          Room(1);
          buffer_[end_++] = '\n';
        }
        return Give(end_);
      }
      const bool arrived = ReadArrived();
      if (linesEnd_ > 0 && (!arrived || end_ >= kBlock)) return Give(linesEnd_);
      if (!arrived) {
        beforeWait();
        ended_ = in_.sgetc() == std::char_traits<char>::eof();  // waits for at least one byte
      }
    }
  }

 private:
  static constexpr std::size_t kBlock = 16 * 1024;

  std::string_view Give(std::size_t size) {
    given_ = size;
    return {buffer_.data(), size};
  }

  // The line begun and not ended moves to the start.
  void DropGiven() {
    std::copy(buffer_.data() + given_, buffer_.data() + end_, buffer_.data());
    end_ -= given_;
    linesEnd_ = linesEnd_ > given_ ? linesEnd_ - given_ : 0;
    given_ = 0;
  }

  void Room(std::size_t bytes) {
    if (buffer_.size() - end_ < bytes) buffer_.resize(end_ + std::max(bytes, kBlock));
  }

  // Appends what has arrived, without waiting; false when nothing had.
  bool ReadArrived() {
    const std::streamsize arrived = in_.in_avail();
    if (arrived <= 0) return false;
    Room(kBlock);
    const auto room = static_cast<std::streamsize>(buffer_.size() - end_);
    const auto read =
        static_cast<std::size_t>(in_.sgetn(buffer_.data() + end_, std::min(arrived, room)));
    const std::size_t lastEnd = std::string_view(buffer_.data() + end_, read).rfind('\n');
    if (lastEnd != std::string_view::npos) linesEnd_ = end_ + lastEnd + 1;
    end_ += read;
    return read > 0;
  }

  std::streambuf& in_;
  std::string buffer_;
  std::size_t end_ = 0;       // of what was read
  std::size_t given_ = 0;     // the block given last, at the start of the buffer
  std::size_t linesEnd_ = 0;  // past the last line end read, 0 for none
  bool ended_ = false;
};

}  // namespace kesmal
