#pragma once
// A design without a window: its sheet, the catalogue its cores come from and the desktop the
// chain speaks to (messages, the catalogue's dialog). It takes a document's entries, runs the
// recalculation chain and checks the result. The window's logic (MainForm) and the command-line
// tools stand on it alike; it knows nothing of fields, focus, titles, settings or saving.

#include <string>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "check/DesignCheck.h"
#include "design/Chain.h"
#include "design/DesignSheet.h"
#include "documents/DesignDocument.h"
#include "util/Platform.h"

namespace kel {

class DesignService {
 public:
  DesignService(Platform& platform, char decimal_separator);
  // The chain holds the catalogue session by reference: the service stays where it was made.
  DesignService(const DesignService&) = delete;
  DesignService& operator=(const DesignService&) = delete;

  DesignSheet& Sheet() { return sheet_; }
  const DesignSheet& Sheet() const { return sheet_; }
  CatalogueSession& Catalogue() { return catalogue_; }
  const std::string& DataBasePath() const { return catalogue_.DataBasePath; }
  void SetDataBasePath(const std::string& path) { catalogue_.DataBasePath = path; }
  Platform& PlatformInUse() { return platform_; }
  char DecimalSeparator() const { return environment_.decimal_separator; }
  // What the chain asks of its owner: where the catalogue dialog opens, the catalogue path to
  // remember, the title to rebuild. A tool leaves the last two unset.
  ChainEnvironment& Environment() { return environment_; }

  // A document's entries into the sheet as they were saved (a wire or a core given in the
  // document is imposed); the results are the last recalculation's until Recalculate.
  void Take(const DesignEntries& entries);
  void Recalculate() { Chain(sheet_, environment_).ComputeW(); }
  // Reads the document at path, takes its entries and recalculates. False, the sheet untouched,
  // when the file is missing, cannot be read whole or is no design.
  bool Load(const std::string& path, const IniFileOps& ops = {});
  // The check of the sheet as the last recalculation left it, with options given over the
  // design's own (the command-line tools' flags); problems with any option text are kept in it.
  DesignCheck Check(const std::vector<std::pair<CheckOption, std::string>>& overrides = {}) const {
    return CheckDesignWith(sheet_, overrides);
  }

 private:
  Platform& platform_;
  DesignSheet sheet_;
  CatalogueSession catalogue_;
  ChainEnvironment environment_;
};

}  // namespace kel
