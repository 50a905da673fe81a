// Any bytes as a catalogue file: opened as the program opens it (SQLite, or Access by its header),
// then the program's three queries, reading every field of every row as the program reads them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "catalogue/AccessLoader.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueDb.h"
#include "support/FakePlatform.h"

namespace {

constexpr const char* kColumns[] = {"Ref",    "SectionFer", "MasseFer",
                                    "hautcu", "LargCu",     "longspire"};
constexpr int kRowLimit = 5000;

// Reads the current row as the core selection does; a missing or unusable value is the chain's
// input error, never anything worse.
void ReadRow(kel::Recordset& rows) {
  for (const char* column : kColumns) {
    try {
      const kel::FieldValue value = rows.Field(column);
      kel::FieldText(value, ',');
      kel::FieldNumber(value);
    } catch (const kel::FieldError&) {
    }
  }
}

// The rows of one query, through the program's query routine; the number of rows read.
int ReadAll(kel::CatalogueSession& session, const std::string& sql,
            kel::test::FakePlatform& platform) {
  std::unique_ptr<kel::Recordset> rows;
  const int status = kel::OpenRecordset(session.CatalogueDb.get(), rows, sql, platform);
  if (status != 0) {
    FUZZ_CHECK(!rows || rows->AtEnd() || status > 0, "rows offered after a failed query");
    return 0;
  }
  int count = 0;
  try {
    for (; !rows->AtEnd() && count < kRowLimit; rows->MoveNext()) {
      ReadRow(*rows);
      ++count;
    }
  } catch (const kel::CatalogueError& e) {
    // A row that cannot be read is reported, never taken for the end of the rows.
    FUZZ_CHECK(rows->AtEnd(), "rows offered after a failed step");
    FUZZ_CHECK(!e.error().description.empty(), "a failed step without a reason");
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = kel::fuzz::ScratchFolder() + "/catalogue";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kel::fuzz::WriteBytes(path, bytes);
  // No Access cache: every input is a new file, whatever its size and time stamp. libmdb runs in
  // process, where its coverage is seen, and a slow input (a recursive view) stops early.
  kel::OpenOptions options;
  options.read_access_apart = false;
  options.limits.time = std::chrono::milliseconds(100);
  kel::EngineError error;
  kel::CatalogueSession session;
  session.DataBasePath = path;
  session.CatalogueDb = kel::CatalogueHandle::Open(path, error, options);
  if (!session.CatalogueDb) {
    FUZZ_CHECK(!error.description.empty() && error.number != 0,
               "a catalogue refused without a reason");
    return 0;
  }

  kel::test::FakePlatform platform;  // answers Yes to the query error prompt: carry on
  std::vector<std::string> list;
  kel::FillCoreList(session, list, platform, ',');
  ReadAll(session, kel::QueryLightestCore(0), platform);
  ReadAll(session, kel::QueryLightestCore(12.5), platform);
  // Every listed core can be looked up by its reference, as a pick in the list does.
  for (std::size_t i = 0; i < list.size() && i < 8; ++i) {
    ReadAll(session, kel::QueryCoreByRef(list[i]), platform);
  }
  ReadAll(session, kel::QueryCoreByRef("EI30/10"), platform);
  FUZZ_CHECK(!platform.ended, "the program was ended");

  // The catalogue is only read: the file stays as it was, and nothing appears beside it.
  session.CatalogueDb.reset();
  FUZZ_CHECK(kel::fuzz::ReadBytes(path) == bytes, "the catalogue file was changed");
  FUZZ_CHECK(
      kel::fuzz::FolderEntries(kel::fuzz::ScratchFolder()) == std::vector<std::string>{"catalogue"},
      "files appeared beside the catalogue");
  return 0;
}
