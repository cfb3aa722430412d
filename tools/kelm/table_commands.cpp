#include "table_commands.h"

#include <kelm/kelm.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "exit_status.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

// Below this many rows the sample is written before a progress line would
// be read.
constexpr LONG progress_from = 100000;

struct TableOptions {
  std::vector<std::string> make_sample;
  std::string table = "entries";
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

}  // namespace

void add_table_commands(CLI::App& app, int& status) {
  auto options = std::make_shared<TableOptions>();
  CLI::App* table =
      app.add_subcommand("table", "SQLite tables as the library's recordsets see them");
  table
      ->add_option("--make-sample", options->make_sample,
                   "DATABASE ROWS: add a table of ROWS made-up dictionary entries (id, outline, "
                   "translation, flags) to DATABASE, made when missing; the table appears whole "
                   "or not at all, and an existing one is refused")
      ->expected(2)
      ->required();
  table->add_option("--table", options->table, "The sample table's name")->capture_default_str();
  table->callback([options, &status] { status = run_make_sample(*options); });
}

}  // namespace kelm_cli
