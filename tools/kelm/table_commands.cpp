#include "table_commands.h"

#include <kelm/kelm.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exit_status.h"
#include "front_end_choice.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

// Below this many rows the sample is written before a progress line would
// be read.
constexpr LONG progress_from = 100000;

struct TableOptions {
  std::vector<std::string> make_sample;
  std::string table = "entries";
  std::vector<std::string> browse;
  std::vector<std::string> columns;
};

std::ostream& complain() { return std::cerr << "kelm table: "; }

int run_make_sample(const TableOptions& options) {
  const std::string& path = options.make_sample[0];
  LONG rows = 0;
  try {
    std::size_t used = 0;
    const long long asked = std::stoll(options.make_sample[1], &used);
    if (used != options.make_sample[1].size() || asked < 0 || asked > 100000000)
      throw std::out_of_range("rows");
    rows = static_cast<LONG>(asked);
  } catch (const std::logic_error&) {
    complain() << "ROWS must be a number from 0 to 100000000, not \"" << options.make_sample[1]
               << "\"\n";
    return exit_usage;
  }
  const bool show_progress = rows >= progress_from && ::isatty(STDERR_FILENO) == 1;
  try {
    CDaoDatabase db;
    if (std::filesystem::exists(path))
      db.Open(path.c_str());
    else
      db.Create(path.c_str());
    KelmMakeSampleTable(db, options.table.c_str(), rows, [&](LONG written) {
      if (show_progress)
        std::cerr << "\rwriting " << options.table << ": " << written << " of " << rows
                  << " entries" << std::flush;
    });
    if (show_progress) std::cerr << '\n';
  } catch (const CDaoException& e) {
    if (show_progress) std::cerr << '\n';
    complain() << printable(e.Describe().View()) << '\n';
    return exit_bad_input;
  }
  std::cout << path << ": table " << options.table << ", " << rows << " entries\n";
  return exit_ok;
}

// The text of a field as a row shows it.
std::string shown(const COleVariant& value) {
  switch (value.vt) {
    case VT_BSTR:
      return value.GetText().GetString();
    case VT_I2:
      return std::to_string(value.iVal);
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_I8:
      return std::to_string(value.llVal);
    case VT_R4:
      return std::to_string(value.fltVal);
    case VT_R8:
      return std::to_string(value.dblVal);
    case VT_BOOL:
      return value.boolVal != 0 ? "true" : "false";
    case VT_UI1:
      return std::to_string(value.bVal);
    default:
      return "";
  }
}

// The table view as `kelm table` shows it: the chosen columns of each record
// side by side, the entry count below, and q or Esc to leave.
class BrowseView : public CViewTable {
 public:
  BrowseView(CEntryCountRecordset& records, std::vector<CString> columns, std::string table)
      : m_records(records), m_columns(std::move(columns)), m_table(std::move(table)) {}

  // The view's window over all of the grid but its last row, which holds
  // the status line.
  void Place(KelmCharacterGrid& grid) {
    const CRect whole = grid.GetPixelRect();
    m_statusY = whole.bottom - inset_of(grid);
    m_statusWidth = grid.GetColumns();
    m_columnWidth =
        std::max(1, (grid.GetColumns() - 2) / std::max<int>(1, static_cast<int>(m_columns.size())));
    recordset = &m_records;
    Create(WS_VISIBLE | WS_VSCROLL, CRect(0, 0, whole.right, whole.bottom - grid.GetCellHeight()),
           nullptr, 1);
    SetCanvas(&grid);
    SetFocus();
    OnInitialUpdate();
    Top();
  }

  void DisplayRecord(CDC* dc, int y) override {
    std::string row;
    for (const CString& column : m_columns) {
      std::string field = shown(recordset->GetFieldValue(column));
      std::replace_if(
          field.begin(), field.end(), [](char c) { return c == '\n' || c == '\t'; }, ' ');
      field.resize(static_cast<std::size_t>(m_columnWidth - 1), ' ');
      row += field + ' ';
    }
    dc->TextOut(first_column_x, y, CString(row.c_str()));
  }

  void OnDraw(CDC* dc) override {
    CViewTable::OnDraw(dc);
    std::string status = m_table + ": " + std::to_string(m_records.GetEntryCount()) +
                         " entries   arrows, PgUp/PgDn, Home/End, I/M, Del; q quits";
    status.resize(static_cast<std::size_t>(m_statusWidth), ' ');
    dc->TextOut(0, m_statusY, CString(status.c_str()));
  }

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN && (msg->wParam == 'Q' || msg->wParam == VK_ESCAPE)) {
      PostQuitMessage(0);
      return TRUE;
    }
    return CViewTable::PreTranslateMessage(msg);
  }

 private:
  static constexpr int first_column_x = 3;

  static int inset_of(const KelmCharacterGrid& grid) {
    return (grid.GetPixelRect().Width() - (grid.GetColumns() - 2) * grid.GetCellWidth()) / 2;
  }

  CEntryCountRecordset& m_records;
  std::vector<CString> m_columns;
  std::string m_table;
  int m_statusY = 0;
  int m_columnWidth = 1;
  int m_statusWidth = 0;
};

// The recordset's field names, or the asked ones when each is among them.
std::optional<std::vector<CString>> chosen_columns(CDaoRecordset& records,
                                                   const std::vector<std::string>& asked) {
  std::vector<CString> names;
  for (short i = 0; i < records.GetFieldCount(); ++i) {
    CDaoFieldInfo info;
    records.GetFieldInfo(i, info);
    names.push_back(info.m_strName);
  }
  if (asked.empty()) return names;
  std::vector<CString> chosen;
  for (const std::string& column : asked) {
    const auto found = std::find_if(names.begin(), names.end(), [&](const CString& name) {
      return name.CompareNoCase(column.c_str()) == 0;
    });
    if (found == names.end()) {
      complain() << "the table has no column \"" << column << "\"\n";
      return std::nullopt;
    }
    chosen.push_back(*found);
  }
  return chosen;
}

int run_browse(const TableOptions& options) {
  const std::string& path = options.browse[0];
  const std::string& table = options.browse[1];
  if (!std::filesystem::is_regular_file(path)) {
    complain() << "no database \"" << path << "\"\n";
    return exit_bad_input;
  }
  try {
    CDaoDatabase db;
    db.Open(path.c_str());
    CEntryCountRecordset records(&db);
    records.Open(dbOpenDynaset, table.c_str());
    const std::optional<std::vector<CString>> columns = chosen_columns(records, options.columns);
    if (!columns) return exit_bad_input;
    records.CountEntries();
    int status = exit_ok;
    std::optional<OpenedFrontEnd> screen = choose_front_end("table", status);
    if (!screen) return status;
    KelmCharacterGrid grid(std::max(screen->columns, 10), std::max(screen->rows, 4));
    BrowseView view(records, *columns, table);
    view.Place(grid);
    const std::string caption = std::filesystem::path(path).filename().string() + " - " + table;
    view.SetWindowText(to_cp1252(caption).c_str());
    screen->front_end->SetCanvas(view.GetSafeHwnd(), &grid);
    while (AfxPumpMessage()) {
    }
    screen->front_end->SetCanvas(view.GetSafeHwnd(), nullptr);
    screen->front_end.reset();
    view.DestroyWindow();
  } catch (const CDaoException& e) {
    complain() << printable(e.Describe().View()) << '\n';
    return exit_bad_input;
  }
  return exit_ok;
}

}  // namespace

void add_table_commands(CLI::App& app, int& status) {
  auto options = std::make_shared<TableOptions>();
  CLI::App* table =
      app.add_subcommand("table", "SQLite tables as the library's recordsets see them");
  table
      ->add_option("database_table", options->browse,
                   "DATABASE TABLE: browse the table in a view window (arrows, Page "
                   "Up/Down, Home/End, I and M with or without Shift, the wheel and clicks, Delete "
                   "asking first, Ctrl+Delete not); q or Esc quits")
      ->expected(2);
  table->add_option("--columns", options->columns, "A,B: the columns to show, in this order")
      ->delimiter(',');
  CLI::Option* sample =
      table
          ->add_option("--make-sample", options->make_sample,
                       "DATABASE ROWS: add a table of ROWS made-up dictionary entries (id, "
                       "outline, translation, flags) to DATABASE, made when missing; the table "
                       "appears whole or not at all, and an existing one is refused")
          ->expected(2)
          ->excludes("database_table");
  table->add_option("--table", options->table, "The sample table's name")
      ->capture_default_str()
      ->needs(sample);
  table->callback([options, &status] {
    if (!options->make_sample.empty()) {
      status = run_make_sample(*options);
    } else if (options->browse.size() == 2) {
      status = run_browse(*options);
    } else {
      complain() << "give DATABASE TABLE to browse, or --make-sample DATABASE ROWS\n";
      status = exit_usage;
    }
  });
}

}  // namespace kelm_cli
