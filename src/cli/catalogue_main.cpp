// kelvanor-catalogue: builds, shows, exports and checks lamination catalogues. The work is the
// catalogue engine's (catalogue/CatalogueTool.h); this file reads the command line and prints.
//
// Exit status: 0 success, 1 failure (or problems found by check), 2 wrong command line.

#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/CatalogueTool.h"
#include "util/VersionNotice.h"

namespace {

// Wrong command line: the message is followed by the usage text.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr const char* kUsage =
    "usage : kelvanor-catalogue convert [--force] ENTRÉE.csv SORTIE\n"
    "        kelvanor-catalogue show FICHIER\n"
    "        kelvanor-catalogue export FICHIER [SORTIE.csv]\n"
    "        kelvanor-catalogue check FICHIER\n"
    "\n"
    "  convert  écrit un nouveau catalogue SQLite (table EI) ; --force remplace SORTIE\n"
    "  show     affiche les noyaux du plus léger au plus lourd\n"
    "  export   écrit la table EI en CSV, sur la sortie standard sans SORTIE.csv\n"
    "  check    signale chaque ligne inutilisable ; statut 1 s'il y en a\n"
    "\n"
    "FICHIER et ENTRÉE sont des catalogues SQLite ou CSV, reconnus à leur contenu.\n";

int Run(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("sous-commande manquante");
  const std::string& command = args[0];
  bool force = false;
  std::vector<std::string> operands;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--force" && command == "convert") {
      force = true;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      throw UsageError("option inconnue : " + args[i]);
    } else {
      operands.push_back(args[i]);
    }
  }
  const auto expect = [&](std::size_t least, std::size_t most) {
    if (operands.size() < least) throw UsageError(command + " : fichier manquant");
    if (operands.size() > most) throw UsageError(command + " : trop d'arguments");
  };

  if (command == "convert") {
    expect(2, 2);
    return kel::ConvertCatalogue(operands[0], operands[1], force, std::cout);
  }
  if (command == "show") {
    expect(1, 1);
    return kel::ShowCatalogue(operands[0], std::cout);
  }
  if (command == "export") {
    expect(1, 2);
    const auto out_path = operands.size() == 2 ? std::optional(operands[1]) : std::nullopt;
    return kel::ExportCatalogue(operands[0], out_path, std::cout);
  }
  if (command == "check") {
    expect(1, 1);
    return kel::CheckCatalogue(operands[0], std::cout);
  }
  throw UsageError("sous-commande inconnue : " + command);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << kel::VersionNotice("kelvanor-catalogue");
    return 0;
  }
  try {
    return Run(args);
  } catch (const UsageError& e) {
    std::cerr << "kelvanor-catalogue : " << e.what() << "\n\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "kelvanor-catalogue : " << e.what() << '\n';
    return 1;
  }
}
