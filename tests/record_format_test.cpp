// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/record_format.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

const RecordHeader kHeader{"uuid:1234-ABCD:/Musik", "/media/stick/Musik", 1765000000000000};

std::vector<std::string> Names(const RecordContent& content) {
  std::vector<std::string> names;
  for (const RenamedFile& file : content.files)
    names.push_back(file.old_name + ">" + file.new_name);
  return names;
}

struct DecodeCase {
  const char* name;
  std::vector<std::string> entries;  // after the header
  std::vector<std::string> files;    // old>new, as decoded
  bool finished;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeRecordTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeRecordTest, AppliesTheEntriesInOrder) {
  const DecodeCase& c = GetParam();
  std::string bytes = EncodeHeader(kHeader);
  for (const std::string& entry : c.entries) bytes += entry;
  const std::optional<RecordContent> content = DecodeRecord(bytes);
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(content->header.folder_key, kHeader.folder_key);
  EXPECT_EQ(content->header.folder_path, kHeader.folder_path);
  EXPECT_EQ(content->header.started_us, kHeader.started_us);
  EXPECT_EQ(Names(*content), c.files);
  EXPECT_EQ(content->finished, c.finished);
  EXPECT_EQ(content->whole_bytes, bytes.size());
}

const std::vector<RenamedFile> kTwo = {{"a.jpg", "17.jpg"}, {std::string("b\0\xFF", 3), "9\n"}};

INSTANTIATE_TEST_SUITE_P(
    Entries, DecodeRecordTest,
    ::testing::Values(
        DecodeCase{"Killed",
                   {EncodePlan(0, kTwo)},
                   {"a.jpg>17.jpg", std::string("b\0\xFF>9\n", 6)},
                   false},
        DecodeCase{"Amended",
                   {EncodePlan(0, kTwo), EncodeAmendment(0, "3.jpg"), EncodeEnd({1})},
                   {"a.jpg>3.jpg"},
                   true},
        DecodeCase{"KeptOwnName", {EncodePlan(0, {{"c.txt", "c.txt"}}), EncodeEnd({})}, {}, true},
        DecodeCase{"PartlyUndone",
                   {EncodePlan(0, kTwo), EncodePlan(2, {{"c", "d"}}), EncodeEnd({}), EncodeKept(1)},
                   {"a.jpg>17.jpg"},
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

// The machine died while the last entry was written: whatever part of it reached
// the disk, the entries before it count and nothing of it does.
TEST(DecodeRecordCutOff, ReadsUpToTheLastWholeEntryFromEveryByteOfTheLast) {
  const std::string whole = EncodeHeader(kHeader) + EncodePlan(0, kTwo);
  const std::string last_entry = EncodeAmendment(1, "44.jpg");
  const std::string bytes = whole + last_entry;
  for (size_t cut = whole.size(); cut < bytes.size(); ++cut) {
    for (const char tail : {'\0', '\xA5'}) {
      // A cut file, and one whose last block the disk filled with garbage.
      std::string damaged = bytes.substr(0, cut);
      if (tail != '\0') damaged += std::string(bytes.size() - cut, tail);
      const std::optional<RecordContent> content = DecodeRecord(damaged);
      ASSERT_TRUE(content.has_value()) << "cut at " << cut;
      EXPECT_EQ(Names(*content),
                (std::vector<std::string>{"a.jpg>17.jpg", kTwo[1].old_name + ">9\n"}))
          << "cut at " << cut;
      EXPECT_EQ(content->whole_bytes, whole.size()) << "cut at " << cut;
    }
  }
  EXPECT_EQ(DecodeRecord(bytes)->files[1].new_name, "44.jpg");
  for (size_t cut = 0; cut < EncodeHeader(kHeader).size(); ++cut) {
    EXPECT_FALSE(DecodeRecord(bytes.substr(0, cut)).has_value()) << "header cut at " << cut;
  }
}

}  // namespace
}  // namespace vantrel
