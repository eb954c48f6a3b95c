// The slot table behind the rows: row i is slot i, removed slots rotate to the
// end and are not handed out again until a clear.
#include "app/JobList.h"

#include <gtest/gtest.h>

namespace {

int Add(TJobList& list, const std::string& name) {
    TInputOptions in;
    in.FileName = name;
    TOutputOptions out;
    out.FileName = name + ".out.avi";
    return list.AddJobRow(name, out.FileName, in, out);
}

// Slots 0..n-1 are used and belong to rows 0..n-1; no other slot is used.
void ExpectInvariant(const TJobList& list) {
    for (int i = 0; i < TJobList::SlotCount; ++i) {
        if (i < list.RowCount()) {
            ASSERT_EQ(list.Slot(i).State, jsUsed) << i;
            ASSERT_EQ(list.Slot(i).Input.FileName, list.Row(i).SourceFile) << i;
        } else {
            ASSERT_NE(list.Slot(i).State, jsUsed) << i;
        }
    }
}

} // namespace

TEST(JobListTest, ANewRowShowsItsFilesAndWaits) {
    TJobList list;
    ASSERT_EQ(Add(list, "/v/clip.mkv"), 0);
    list.Renumber();
    const TJobRow& row = list.Row(0);
    EXPECT_EQ(row.Number, "1");
    EXPECT_EQ(row.SourceFormat, "MKV");
    EXPECT_EQ(row.TargetFormat, "AVI");
    EXPECT_EQ(row.CurrentTime, "0");
    EXPECT_EQ(row.Progress, -1);
    EXPECT_EQ(row.Status, "准备");
    EXPECT_EQ(UpperExtension("/a.b/noext"), "");
}

TEST(JobListTest, RemovingAndMovingKeepRowsAndSlotsTogether) {
    TJobList list;
    for (auto name : {"a", "b", "c", "d"})
        Add(list, name);
    list.RemoveJob(0);
    list.Renumber();
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Row(0).SourceFile, "b");
    EXPECT_EQ(list.Row(0).Number, "1");
    EXPECT_EQ(list.Slot(TJobList::SlotCount - 1).State, jsDeleted);
    ExpectInvariant(list);

    list.SwapJobs(1, 2);
    EXPECT_EQ(list.Row(1).SourceFile, "d");
    ExpectInvariant(list);

    list.RemoveJob(2);
    ExpectInvariant(list);
    EXPECT_EQ(Add(list, "e"), 2);
    ExpectInvariant(list);
}

TEST(JobListTest, EachRemovalCostsOneSlotUntilTheListIsCleared) {
    TJobList list;
    const int removals = 3;
    for (int k = 0; k < removals; ++k) {
        Add(list, "x");
        list.RemoveJob(0);
    }
    int added = 0;
    while (Add(list, "f" + std::to_string(added)) >= 0)
        ++added;
    EXPECT_EQ(added, TJobList::SlotCount - removals);
    EXPECT_FALSE(list.CanAdd());
    ExpectInvariant(list);

    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
    for (int i = 0; i < TJobList::SlotCount; ++i)
        ASSERT_EQ(list.Slot(i).State, jsFree);
    EXPECT_TRUE(list.CanAdd());
}
