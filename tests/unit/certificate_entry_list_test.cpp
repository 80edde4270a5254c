// CertificateEntryList: statuses, entry layout and the copies handed out.
#include "certs/certificate_entry_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/fault_injection.h"

namespace corvane::certs {
namespace {

using platform::testing::ArmFault;
using platform::testing::ClearFaults;
using List = CertificateEntryList;

class EntryListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    ASSERT_EQ(List::Create(&list_), List::kOk);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    ClearFaults();
    EXPECT_EQ(List::Free(list_), List::kOk);
  }

  int32_t Count() const {
    int32_t count = -1;
    EXPECT_EQ(List::Count(list_, &count), List::kOk);
    return count;
  }

  List* list_ = nullptr;
};

TEST_F(EntryListTest, AppendKeepsOrderAndRefusesEmptyEntries) {
  EXPECT_EQ(Count(), 0);
  const std::string binary("a\0b", 3);
  EXPECT_EQ(list_->Append("first", 5), List::kOk);
  EXPECT_EQ(list_->Append(nullptr, 4), List::kNoSuchEntry);
  EXPECT_EQ(list_->Append("x", 0), List::kNoSuchEntry);
  EXPECT_EQ(list_->Append("x", -1), List::kNoSuchEntry);
  EXPECT_EQ(list_->Append(binary.data(), 3), List::kOk);
  ASSERT_EQ(Count(), 2);

  for (const auto& [index, expected] : {std::pair{0, std::string("first")}, {1, binary}}) {
    int32_t length = 0;
    ASSERT_EQ(list_->Get(index, nullptr, &length), List::kOk);
    ASSERT_EQ(length, static_cast<int32_t>(expected.size()));
    std::string copy(expected.size() + 1, '\x7F');  // one byte more than the entry
    ASSERT_EQ(list_->Get(index, copy.data(), &length), List::kOk);
    EXPECT_EQ(copy.substr(0, expected.size()), expected);
    EXPECT_EQ(copy.back(), '\x7F') << "no terminator is written after the entry";
  }
}

TEST_F(EntryListTest, GetOutsideTheEntriesWritesNothing) {
  ASSERT_EQ(list_->Append("abc", 3), List::kOk);
  struct Row {
    int32_t index;
    int32_t status;
  };
  for (const Row& row : {Row{-1, List::kNegativeIndex}, Row{1, List::kNoSuchEntry},
                         Row{1000, List::kNoSuchEntry}}) {
    int32_t length = 77;
    char buffer[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(list_->Get(row.index, buffer, &length), row.status) << row.index;
    EXPECT_EQ(length, 77);
    EXPECT_EQ(std::string(buffer, 4), "zzzz");
  }
}

TEST(EntryListNullTest, NoListCountsNoEntriesAndFreesAsNothing) {
  int32_t count = -1;
  EXPECT_EQ(List::Count(nullptr, &count), List::kOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(List::Free(nullptr), List::kOk);
}

TEST(EntryListMemoryTest, EachAllocationFailureHasItsStatus) {
  struct Row {
    int skip;  // LocalAlloc calls that succeed before the failing one
    int32_t status;
  };
  // Create takes the list, its marker node and the marker's text, in that order.
  for (const Row& row : {Row{0, List::kNoMemoryForNode}, Row{1, List::kNoMemoryForNode},
                         Row{2, List::kNoMemoryForData}}) {
    int not_a_list = 0;
    List* list = reinterpret_cast<List*>(&not_a_list);  // must be replaced by null
    ArmFault("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, row.skip);
    EXPECT_EQ(List::Create(&list), row.status) << row.skip;
    ClearFaults();
    EXPECT_EQ(list, nullptr);
  }
  // Append takes the node, then the copy; a failed append leaves the list as it was.
  List* list = nullptr;
  ASSERT_EQ(List::Create(&list), List::kOk);
  for (const Row& row : {Row{0, List::kNoMemoryForNode}, Row{1, List::kNoMemoryForData}}) {
    ArmFault("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, row.skip);
    EXPECT_EQ(list->Append("abc", 3), row.status) << row.skip;
    ClearFaults();
    int32_t count = -1;
    List::Count(list, &count);
    EXPECT_EQ(count, 0);
  }
  EXPECT_EQ(list->Append("abc", 3), List::kOk);
  List::Free(list);
}

}  // namespace
}  // namespace corvane::certs
