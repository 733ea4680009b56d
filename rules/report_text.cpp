#include "rules/report_text.h"

#include "rules/gbk_codec.h"

namespace kesmal {

void ReportWriter::Put(std::initializer_list<Text> pieces) {
  for (const Text& piece : pieces) {
    const std::string_view bytes = encoding_ == Encoding::Gbk ? piece.gbk : piece.utf8;
    if (bytes.data())
      out_ += bytes;
    else
      AppendGbkToUtf8(piece.gbk, out_);
  }
}

}  // namespace kesmal
