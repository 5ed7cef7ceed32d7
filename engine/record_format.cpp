// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/record_format.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vantrel {
namespace {

constexpr std::string_view kMagic = "vantrel-renames";
constexpr uint64_t kVersion = 1;
constexpr size_t kFrameHead = 8;  // length and checksum
// Larger than any entry a run writes; a length beyond it is garbage, not an entry.
constexpr uint32_t kLargestEntry = 64u << 20;

enum Kind : char { kHeader = 'H', kPlan = 'P', kAmend = 'A', kEnd = 'E', kKept = 'K' };

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

void PutNumber(std::string* out, uint64_t value) {
  do {
    const auto low = static_cast<char>(value & 0x7F);
    value >>= 7;
    out->push_back(value != 0 ? static_cast<char>(low | 0x80) : low);
  } while (value != 0);
}

void PutText(std::string* out, std::string_view text) {
  PutNumber(out, text.size());
  out->append(text);
}

void PutWord(std::string* out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(word >> shift));
}

uint32_t GetWord(std::string_view bytes) {
  uint32_t word = 0;
  for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(bytes[i]);
  return word;
}

std::string Frame(const std::string& payload) {
  std::string framed;
  framed.reserve(kFrameHead + payload.size());
  PutWord(&framed, static_cast<uint32_t>(payload.size()));
  PutWord(&framed, Crc32(payload));
  framed += payload;
  return framed;
}

// Reads the fields of one payload; any read past its end marks it bad.
class Fields {
 public:
  explicit Fields(std::string_view payload) : rest_(payload) {}
  bool ok() const { return ok_; }
  bool done() const { return rest_.empty(); }

  uint64_t Number() {
    uint64_t value = 0;
    for (int shift = 0; ok_; shift += 7) {
      if (rest_.empty() || shift > 63) return Fail();
      const auto byte = static_cast<unsigned char>(rest_[0]);
      rest_.remove_prefix(1);
      value |= uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return value;
    }
    return 0;
  }
  std::string Text() {
    const uint64_t size = Number();
    if (!ok_ || size > rest_.size()) {
      Fail();
      return {};
    }
    std::string text(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return text;
  }

 private:
  uint64_t Fail() {
    ok_ = false;
    return 0;
  }
  std::string_view rest_;
  bool ok_ = true;
};

// The record as its entries build it, planned indices and all.
struct Builder {
  RecordContent content;
  std::vector<RenamedFile> planned;
  std::vector<bool> not_done;
  size_t kept = SIZE_MAX;

  bool Apply(char kind, Fields& fields);
  RecordContent Finish(size_t whole_bytes);
};

bool Builder::Apply(char kind, Fields& fields) {
  switch (kind) {
    case kPlan: {
      const uint64_t first = fields.Number();
      const uint64_t count = fields.Number();
      if (!fields.ok() || first != planned.size() || count > kLargestEntry) return false;
      std::vector<RenamedFile> files;
      for (uint64_t i = 0; i < count && fields.ok(); ++i) {
        std::string old_name = fields.Text();
        files.push_back({std::move(old_name), fields.Text()});
      }
      if (!fields.ok() || !fields.done()) return false;
      std::move(files.begin(), files.end(), std::back_inserter(planned));
      not_done.resize(planned.size(), false);
      break;
    }
    case kAmend: {
      const uint64_t index = fields.Number();
      std::string name = fields.Text();
      if (!fields.ok() || index >= planned.size()) return false;
      planned[index].new_name = std::move(name);
      break;
    }
    case kEnd: {
      const uint64_t count = fields.Number();
      for (uint64_t i = 0; i < count && fields.ok(); ++i) {
        const uint64_t index = fields.Number();
        if (index >= planned.size()) return false;
        not_done[index] = true;
      }
      content.finished = true;
      break;
    }
    case kKept:
      kept = std::min<size_t>(kept, fields.Number());
      break;
    default:
      return false;
  }
  return fields.ok() && fields.done();
}

RecordContent Builder::Finish(size_t whole_bytes) {
  for (size_t i = 0; i < planned.size(); ++i) {
    if (!not_done[i] && planned[i].old_name != planned[i].new_name) {
      content.files.push_back(std::move(planned[i]));
    }
  }
  if (content.files.size() > kept) content.files.resize(kept);
  content.whole_bytes = whole_bytes;
  return std::move(content);
}

bool ReadHeader(Fields& fields, RecordHeader* header) {
  if (fields.Text() != kMagic || fields.Number() != kVersion) return false;
  header->folder_key = fields.Text();
  header->folder_path = fields.Text();
  header->started_us = static_cast<int64_t>(fields.Number());
  return fields.ok();
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  static constexpr std::array<uint32_t, 256> kTable = MakeCrcTable();
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc = kTable[(crc ^ static_cast<unsigned char>(byte)) & 0xFFu] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string EncodeHeader(const RecordHeader& header) {
  std::string payload(1, kHeader);
  PutText(&payload, kMagic);
  PutNumber(&payload, kVersion);
  PutText(&payload, header.folder_key);
  PutText(&payload, header.folder_path);
  PutNumber(&payload, static_cast<uint64_t>(header.started_us));
  return Frame(payload);
}

std::string EncodePlan(size_t first_index, const std::vector<RenamedFile>& files) {
  std::string payload(1, kPlan);
  PutNumber(&payload, first_index);
  PutNumber(&payload, files.size());
  for (const RenamedFile& file : files) {
    PutText(&payload, file.old_name);
    PutText(&payload, file.new_name);
  }
  return Frame(payload);
}

std::string EncodeAmendment(size_t index, const std::string& new_name) {
  std::string payload(1, kAmend);
  PutNumber(&payload, index);
  PutText(&payload, new_name);
  return Frame(payload);
}

std::string EncodeEnd(const std::vector<size_t>& not_done) {
  std::string payload(1, kEnd);
  PutNumber(&payload, not_done.size());
  for (const size_t index : not_done) PutNumber(&payload, index);
  return Frame(payload);
}

std::string EncodeKept(size_t kept) {
  std::string payload(1, kKept);
  PutNumber(&payload, kept);
  return Frame(payload);
}

std::optional<RecordContent> DecodeRecord(std::string_view bytes) {
  Builder builder;
  size_t at = 0;
  bool header_read = false;
  while (bytes.size() - at >= kFrameHead) {
    const uint32_t size = GetWord(bytes.substr(at));
    if (size == 0 || size > kLargestEntry || bytes.size() - at - kFrameHead < size) break;
    const std::string_view payload = bytes.substr(at + kFrameHead, size);
    if (Crc32(payload) != GetWord(bytes.substr(at + 4))) break;
    Fields fields(payload.substr(1));
    if (!header_read) {
      if (payload[0] != kHeader || !ReadHeader(fields, &builder.content.header))
        return std::nullopt;
      header_read = true;
    } else if (!builder.Apply(payload[0], fields)) {
      break;
    }
    at += kFrameHead + size;
  }
  if (!header_read) return std::nullopt;
  return builder.Finish(at);
}

}  // namespace vantrel
