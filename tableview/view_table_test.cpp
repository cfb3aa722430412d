#include "tableview/view_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/ui/front_end.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "tableview/entry_count_recordset.h"
#include "tableview/sample_table.h"
#include "testing/scratch_folder.h"

namespace {

// A host's view: each row shows its record's id, and the ids drawn by the
// last paint are kept.
class IdView : public CViewTable {
 public:
  void DisplayRecord(CDC* dc, int y) override {
    if (y == 3) page.clear();
    const LONG id = recordset->GetFieldValue("id").lVal;
    page.push_back(id);
    dc->TextOut(4, y, CString(std::to_string(id).c_str()));
  }
  void Edit() override { ++edits; }
  void Add() override { ++adds; }

  std::vector<LONG> page;
  int edits = 0;
  int adds = 0;
};

// Client areas of 5 rows of 16 pixels within the frame's 2 pixels each way.
constexpr int view_width = 160;
constexpr int view_height = 5 * 16 + 4;

std::vector<LONG> ids(LONG first, LONG last) {
  std::vector<LONG> result;
  for (LONG id = first; id <= last; ++id) result.push_back(id);
  return result;
}

std::string text(const std::vector<LONG>& page) {
  std::string result;
  for (LONG id : page) result += std::to_string(id) + " ";
  return result;
}

// A counted sample table of `rows` entries, ids 1 to rows.
void open_sample(CDaoDatabase& db, CEntryCountRecordset& rs, const std::string& path, LONG rows) {
  db.Create(path.c_str());
  KelmMakeSampleTable(db, "entries", rows);
  rs.Open(dbOpenDynaset, "entries");
  rs.CountEntries();
}

void create(IdView& view) {
  ASSERT_TRUE(
      view.Create(WS_VISIBLE | WS_VSCROLL, CRect(0, 0, view_width, view_height), nullptr, 1));
  view.SetFocus();
  view.OnInitialUpdate();
}

class ViewTableTest : public ::testing::Test {
 protected:
  // A sample table of `rows` entries shown from its first record.
  void Show(LONG rows) {
    open_sample(m_db, m_rs, m_folder.path("entries.db"), rows);
    m_view.recordset = &m_rs;
    Create();
    m_view.Top();
    ASSERT_EQ(5, m_view.rowsPerPage);
  }

  void Create() {
    m_view.SetCanvas(&m_grid);
    create(m_view);
  }

  LONG selected() const { return m_view.page.at(static_cast<size_t>(m_view.selection)); }

  // Takes the script's actions and the messages they post, as a host's
  // loop does.
  void Pump() {
    for (;;) {
      MSG msg{};
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (m_person.Remaining() == 0) return;
        continue;
      }
      if (AfxPreTranslateMessage(&msg)) continue;
      if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN) ++m_pressesDispatched;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  void Wheel(short delta) {
    m_view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  }

  KelmScriptedFrontEnd m_person;
  ScratchFolder m_folder;
  CDaoDatabase m_db;
  CEntryCountRecordset m_rs{&m_db};
  KelmCharacterGrid m_grid{22, 7};
  IdView m_view;
  int m_pressesDispatched = 0;
};

TEST_F(ViewTableTest, PaintingSaysWhyThereIsNothingToShow) {
  open_sample(m_db, m_rs, m_folder.path("entries.db"), 0);
  CEntryCountRecordset closed(&m_db);
  struct Case {
    const char* what;
    CDaoRecordset* recordset;
    const char* message;
  };
  const Case cases[] = {{"no recordset", nullptr, "Table is not open"},
                        {"a closed recordset", &closed, "Table is not open"},
                        {"an empty table", &m_rs, "Table is empty"}};
  Create();
  for (const Case& c : cases) {
    m_view.recordset = c.recordset;
    m_view.GetDC()->ClearCalls();
    m_view.Top();
    m_view.LineDown();
    m_view.Delete(0);
    m_view.Invalidate();
    const std::vector<CString>& calls = m_view.GetDC()->GetCalls();
    EXPECT_NE(calls.end(),
              std::find(calls.begin(), calls.end(), CString("TextOut 3,0 ") + c.message))
        << c.what;
    EXPECT_NE(std::string::npos, m_grid.GetRowText(0).find(c.message))
        << c.what << ": " << m_grid.GetText();
    EXPECT_TRUE(m_view.page.empty()) << c.what;
  }
}

TEST_F(ViewTableTest, APageShowsItsRowsWithTheHighlightInverted) {
  Show(20);
  m_view.GetDC()->ClearCalls();
  m_view.Invalidate();
  const std::vector<CString>& calls = m_view.GetDC()->GetCalls();
  EXPECT_EQ(ids(1, 5), m_view.page);
  EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(),
                                   CString("DrawEdge 0,0,160,84 EDGE_SUNKEN BF_RECT")));
  // The highlight is inverted over its row, after the row is drawn.
  const auto first = std::find(calls.begin(), calls.end(), CString("TextOut 4,3 1"));
  ASSERT_LT(first + 2, calls.end());
  EXPECT_EQ(CString("InvertRect 4,3,156,19"), first[1]);
  EXPECT_EQ(CString("TextOut 4,19 2"), first[2]);
  // Losing the focus outlines the highlight instead.
  CWnd other;
  ASSERT_TRUE(other.Create("STATIC", "", WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 2));
  m_view.GetDC()->ClearCalls();
  other.SetFocus();
  const std::vector<CString>& unfocused = m_view.GetDC()->GetCalls();
  EXPECT_NE(unfocused.end(),
            std::find(unfocused.begin(), unfocused.end(), CString("DrawFocusRect 4,3,156,19")));
}

TEST(ViewTable, MovesPlaceThePageAndTheHighlight) {
  struct Case {
    LONG rows;
    const char* moves;
    std::vector<LONG> page;
    int selection;
    int topPosition;
    int bar;
  };
  const Case cases[] = {
      // Fewer records than a page: the last page is the first.
      {3, "Bottom", ids(1, 3), 2, 0, 3},
      {3, "Bottom LineDown", ids(1, 3), 2, 0, 2},
      {20, "LineDown LineDown LineDown LineDown", ids(1, 5), 4, 0, 2},
      // Down from the page's last row scrolls one row.
      {20, "LineDown LineDown LineDown LineDown LineDown", ids(2, 6), 4, 1, 2},
      {20, "Bottom", ids(16, 20), 4, 15, 3},
      // Down from the set's last record stays there.
      {20, "Bottom LineDown", ids(16, 20), 4, 15, 3},
      {20, "Bottom LineUp", ids(16, 20), 3, 15, 2},
      {20, "Bottom Top", ids(1, 5), 0, 0, 1},
      {20, "LineUp", ids(1, 5), 0, 0, 1},
      {20, "PageDown", ids(5, 9), 0, 4, 2},
      {20, "PageDown PageDown PageDown", ids(13, 17), 0, 12, 2},
      {20, "PageDown PageDown PageDown PageDown", ids(16, 20), 4, 15, 3},
      {20, "Bottom PageUp", ids(12, 16), 4, 11, 2},
      // Back on the first record exactly, not before it: the bar says
      // "inside" until a move runs into the beginning.
      {20, "PageDown PageUp", ids(1, 5), 0, 0, 2},
      {20, "PageDown PageUp LineUp", ids(1, 5), 0, 0, 1},
      {20, "PageDown LineUp", ids(4, 8), 0, 3, 2},
  };
  const std::map<std::string, void (CViewTable::*)()> actions = {
      {"Top", &CViewTable::Top},       {"Bottom", &CViewTable::Bottom},
      {"LineUp", &CViewTable::LineUp}, {"LineDown", &CViewTable::LineDown},
      {"PageUp", &CViewTable::PageUp}, {"PageDown", &CViewTable::PageDown}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rows) + " rows, " + c.moves);
    ScratchFolder folder;
    CDaoDatabase db;
    CEntryCountRecordset rs(&db);
    open_sample(db, rs, folder.path("entries.db"), c.rows);
    IdView view;
    view.recordset = &rs;
    create(view);
    view.Top();
    std::istringstream moves(c.moves);
    for (std::string move; moves >> move;) (view.*actions.at(move))();
    view.Invalidate(FALSE);
    EXPECT_EQ(text(c.page), text(view.page));
    EXPECT_EQ(c.selection, view.selection);
    EXPECT_EQ(c.topPosition, view.topPosition);
    EXPECT_EQ(c.bar, view.GetScrollPos(SB_VERT));
  }
}

TEST_F(ViewTableTest, TheWheelScrollsByWholeNotches) {
  Show(20);
  m_view.PageDown();
  m_view.PageDown();
  ASSERT_EQ(ids(9, 13), m_view.page);
  Wheel(60);
  EXPECT_EQ(ids(9, 13), m_view.page) << "half a notch";
  Wheel(60);
  EXPECT_EQ(ids(6, 10), m_view.page) << "two halves make a notch of 3 lines";
  EXPECT_EQ(0, m_view.wheelDelta);
  Wheel(-120);
  EXPECT_EQ(ids(9, 13), m_view.page);
  // Two notches at once near the end: the second finds the end from where
  // the first left the page, not from the page painted before.
  Wheel(-240);
  EXPECT_EQ(ids(15, 19), m_view.page);
  Wheel(-240);
  EXPECT_EQ(ids(16, 20), m_view.page);
  Wheel(-120);
  EXPECT_EQ(ids(16, 20), m_view.page);
  Wheel(600);
  EXPECT_EQ(ids(1, 5), m_view.page);
  EXPECT_EQ(0, m_view.topPosition);
}

TEST_F(ViewTableTest, DeletingKeepsThePageOnItsNeighboursDownToAnEmptyTable) {
  Show(11);
  m_view.Bottom();
  ASSERT_EQ(ids(7, 11), m_view.page);
  // The top row of the last page: the next record becomes the top.
  m_view.selection = 0;
  m_view.Delete(0);
  EXPECT_EQ((std::vector<LONG>{8, 9, 10, 11}), m_view.page);
  EXPECT_EQ(10, m_rs.GetRecordCount());
  // A row inside the page.
  m_view.selection = 1;
  m_view.Delete(0);
  EXPECT_EQ((std::vector<LONG>{8, 10, 11}), m_view.page);
  m_view.selection = 1;
  m_view.Delete(0);
  m_view.Delete(0);
  EXPECT_EQ((std::vector<LONG>{8}), m_view.page);
  EXPECT_EQ(0, m_view.selection);
  // The only record on the last page: the page's top moves back one.
  m_view.Delete(0);
  EXPECT_EQ(ids(6, 6), m_view.page);
  EXPECT_EQ(6, m_rs.GetRecordCount());
  for (int left = 6; left > 0; --left) m_view.Delete(0);
  EXPECT_TRUE(m_view.IsRecordsetEmpty());
  EXPECT_EQ(CString("TextOut 3,0 Table is empty"), m_view.GetDC()->GetCalls().back());
}

// A host may move a view before it has a window to paint in.
TEST_F(ViewTableTest, AnUnpaintedViewMovesWithoutFault) {
  open_sample(m_db, m_rs, m_folder.path("entries.db"), 20);
  m_view.recordset = &m_rs;
  m_view.rowsPerPage = 5;
  m_view.Scroll(3);
  m_view.Scroll(40);
  EXPECT_EQ(15, m_view.topPosition);
  m_view.Scroll(-3);
  EXPECT_EQ(12, m_view.topPosition);
  m_rs.SetBookmark(m_view.topBookmark);
  EXPECT_EQ(13, m_rs.GetFieldValue("id").lVal);
}

TEST_F(ViewTableTest, KeysActAndDeletionAsksFirst) {
  Show(20);
  struct Case {
    int key;
    UINT modifiers;
    int answer;  // 0: no question
    LONG selected;
    int records;
  };
  const Case cases[] = {{VK_DOWN, 0, 0, 2, 20},
                        {'M', 0, 0, 3, 20},
                        {'M', KELM_MOD_SHIFT, 0, 7, 20},
                        {'I', KELM_MOD_SHIFT, 0, 3, 20},
                        {'I', 0, 0, 2, 20},
                        {VK_UP, 0, 0, 1, 20},
                        {VK_NEXT, 0, 0, 5, 20},
                        {VK_PRIOR, 0, 0, 1, 20},
                        {VK_END, 0, 0, 20, 20},
                        {VK_HOME, 0, 0, 1, 20},
                        {VK_DELETE, 0, IDNO, 1, 20},
                        {VK_DELETE, 0, IDYES, 2, 19},
                        {'D', 0, IDYES, 3, 18},
                        {VK_DELETE, KELM_MOD_CONTROL, 0, 4, 17}};
  for (const Case& c : cases) {
    SCOPED_TRACE("key " + std::to_string(c.key) + " modifiers " + std::to_string(c.modifiers));
    const size_t shown = m_person.Shown().size();
    m_person.Press(c.key, c.modifiers);
    if (c.answer != 0) m_person.Answer(c.answer);
    Pump();
    EXPECT_EQ(0, m_person.Remaining());
    EXPECT_EQ(c.selected, selected());
    EXPECT_EQ(c.records, m_rs.GetRecordCount());
    const std::vector<CString>& after = m_person.Shown();
    const bool asked = std::any_of(
        after.begin() + static_cast<std::ptrdiff_t>(shown), after.end(),
        [](const CString& line) { return line.Find("Delete the selected entry") >= 0; });
    EXPECT_EQ(c.answer != 0, asked);
  }
  m_person.Press('E').Press(VK_SPACE).Press('A').Press(VK_INSERT);
  Pump();
  EXPECT_EQ(2, m_view.edits);
  EXPECT_EQ(2, m_view.adds);
}

// Guards against a press going on to the window procedure after moving the
// highlight, where a host's own press handler would act on it a second time.
TEST_F(ViewTableTest, PressesMoveTheHighlightAndGoNoFurther) {
  Show(20);
  struct Case {
    UINT message;
    int y;
    LONG selected;
  };
  // Rows are 16 pixels from y 3; a press is measured from y 2.
  const Case cases[] = {{WM_LBUTTONDOWN, 2 + 3 * 16 + 5, 4},
                        {WM_RBUTTONDOWN, 70 * 16, 5},
                        {WM_LBUTTONDOWN, 2, 1},
                        {WM_RBUTTONDOWN, 2 + 2 * 16, 3},
                        {WM_LBUTTONDOWN, 1, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE("message " + std::to_string(c.message) + " at y " + std::to_string(c.y));
    ::SetFocus(nullptr);
    ASSERT_TRUE(PostMessageA(m_view.m_hWnd, c.message, 0, MAKELPARAM(20, c.y)));
    Pump();
    EXPECT_EQ(c.selected, selected());
    EXPECT_TRUE(m_view.HasFocus()) << "a press takes the focus";
    EXPECT_EQ(0, m_pressesDispatched) << "the view consumed the press";
  }
  m_view.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(1, m_view.edits);
}

TEST_F(ViewTableTest, BarsMoveThePage) {
  Show(20);

  struct Case {
    UINT code;
    UINT position;
    LONG top;
  };
  const Case cases[] = {{SB_BOTTOM, 0, 16},    {SB_TOP, 0, 1},           {SB_PAGEDOWN, 0, 5},
                        {SB_THUMBTRACK, 3, 5}, {SB_THUMBPOSITION, 2, 5}, {SB_THUMBPOSITION, 3, 16},
                        {SB_PAGEUP, 0, 12},    {SB_THUMBPOSITION, 1, 1}, {SB_LINEDOWN, 0, 1}};
  for (const Case& c : cases) {
    m_view.SendMessage(WM_VSCROLL,
                       MAKEWPARAM(static_cast<WORD>(c.code), static_cast<WORD>(c.position)));
    EXPECT_EQ(c.top, m_view.page.front()) << "code " << c.code << " at " << c.position;
  }
}

}  // namespace
