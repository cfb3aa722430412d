#include "platform/array.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Exposes the capacity, which callers cannot see but rely on through when
// storage moves.
class IntArray : public CArray<int, int> {
 public:
  INT_PTR GetCapacity() const { return m_nMaxSize; }
};

std::vector<int> Elements(const IntArray& a) {
  return std::vector<int>(a.GetData(), a.GetData() + a.GetSize());
}

std::vector<INT_PTR> CapacitiesWhileAdding(IntArray& a, int count) {
  std::vector<INT_PTR> capacities;
  for (int i = 0; i < count; ++i) {
    a.Add(i);
    if (capacities.empty() || capacities.back() != a.GetCapacity())
      capacities.push_back(a.GetCapacity());
  }
  return capacities;
}

TEST(CArrayTest, GrowthStepsByTheAmountGivenOrByFourThenAnEighth) {
  const struct {
    INT_PTR growBy;
    std::vector<INT_PTR> want;
  } cases[] = {
      {-1, {1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64, 72, 81, 91, 102}},
      {10, {1, 11, 21, 31, 41, 51, 61, 71, 81, 91, 101}},
  };
  for (const auto& c : cases) {
    IntArray a;
    a.SetSize(0, c.growBy);
    EXPECT_EQ(c.want, CapacitiesWhileAdding(a, 100)) << c.growBy;
  }
}

TEST(CArrayTest, ShrinkingKeepsCapacityAndRegrownElementsAreZero) {
  IntArray a;
  a.SetSize(20);
  for (int i = 0; i < 20; ++i) a[i] = 7;
  a.SetSize(5);
  EXPECT_EQ(20, a.GetCapacity());
  a.SetSize(8);
  EXPECT_EQ((std::vector<int>{7, 7, 7, 7, 7, 0, 0, 0}), Elements(a));
  a.RemoveAt(0, 2);
  EXPECT_EQ(20, a.GetCapacity());
  a.SetSize(0);
  EXPECT_EQ(0, a.GetCapacity());
}

TEST(CArrayTest, OutOfRangeInsertAndRemoveDoNothing) {
  const struct {
    const char* call;
    void (*edit)(IntArray&);
    std::vector<int> want;
  } cases[] = {
      {"RemoveAt(-1)", [](IntArray& a) { a.RemoveAt(-1); }, {1, 2, 3}},
      {"RemoveAt(3)", [](IntArray& a) { a.RemoveAt(3); }, {1, 2, 3}},
      {"RemoveAt(2, 2)", [](IntArray& a) { a.RemoveAt(2, 2); }, {1, 2, 3}},
      {"RemoveAt(1, -1)", [](IntArray& a) { a.RemoveAt(1, -1); }, {1, 2, 3}},
      {"RemoveAt(1, 2)", [](IntArray& a) { a.RemoveAt(1, 2); }, {1}},
      {"InsertAt(-1, 9)", [](IntArray& a) { a.InsertAt(-1, 9); }, {1, 2, 3}},
      {"InsertAt(1, 9, 0)", [](IntArray& a) { a.InsertAt(1, 9, 0); }, {1, 2, 3}},
      {"InsertAt(1, 9, 2)", [](IntArray& a) { a.InsertAt(1, 9, 2); }, {1, 9, 9, 2, 3}},
      {"InsertAt(5, 9)", [](IntArray& a) { a.InsertAt(5, 9); }, {1, 2, 3, 0, 0, 9}},
      {"SetAtGrow(-1, 9)", [](IntArray& a) { a.SetAtGrow(-1, 9); }, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    IntArray a;
    for (int v : {1, 2, 3}) a.Add(v);
    c.edit(a);
    EXPECT_EQ(c.want, Elements(a)) << c.call;
  }
}

TEST(CArrayTest, ArgumentsFromTheArrayItselfSurviveReallocation) {
  IntArray a;
  for (int v : {1, 2, 3, 4, 5}) a.Add(v);  // capacity 5: the next Add moves storage
  a.Add(a[0]);
  EXPECT_EQ(6, a.Append(a));
  a.InsertAt(1, &a);
  EXPECT_EQ(
      (std::vector<int>{1, 1, 2, 3, 4, 5, 1, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 1, 2, 3, 4, 5, 1}),
      Elements(a));
}

TEST(CArrayTest, StringElementsAreCopiedAndDestroyed) {
  CStringArray a;
  a.Add("one");
  a.Add("two");
  a.InsertAt(1, CString("between"), 2);
  a.RemoveAt(0);
  CStringArray b(a);
  b[0] = "changed";
  ASSERT_EQ(3, a.GetSize());
  EXPECT_EQ(CString("between"), a[0]);
  EXPECT_EQ(CString("two"), a[2]);
  EXPECT_EQ(CString("changed"), b[0]);
}

}  // namespace
