// kelvanor-calc: the design calculation on the command line, for scripts and batch work.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "app/MainForm.h"
#include "app/Report.h"
#include "catalogue/Catalogue.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace {

constexpr const char* kUsage =
    "usage : kelvanor-calc [--catalogue FICHIER] [--decimal-separator SEP] [--json] "
    "[--sheet FICHIER] DOCUMENT\n";

// Nobody is there to answer: dialogs cancel, the query prompt carries on, messages are kept.
class BatchPlatform : public kel::Platform {
 public:
  kel::MsgAnswer MessageBox(const std::string& text, kel::MsgButtons buttons, kel::MsgIcon,
                            const std::string&) override {
    record.messages.push_back(text);
    switch (buttons) {
      case kel::MsgButtons::YesNo:
      case kel::MsgButtons::YesNoCancel:
        return kel::MsgAnswer::Yes;
      default:
        return kel::MsgAnswer::Ok;
    }
  }
  std::string ShowFileDialog(const kel::FileDialogRequest&) override { return ""; }
  void Beep() override { ++record.beeps; }
  void SetClipboardText(const std::string&) override {}
  void ProcessEvents() override {}
  bool ShowTextFile(const std::string&) override { return true; }
  void EndProgramNow() override { std::exit(1); }
  std::string ExecutablePath() override {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("kelvanor-calc") : path.string();
  }

  kel::RunRecord record;
};

int Fail(const std::string& message) {
  std::cerr << "kelvanor-calc : " << message << "\n";
  return 2;
}

// The reason a catalogue cannot serve, or the empty text.
std::string CatalogueProblem(const std::string& path) {
  kel::EngineError error;
  auto db = kel::CatalogueHandle::Open(path, error);
  if (!db) return error.description;
  if (!db->Query("Select Ref, SectionFer, MasseFer, hautcu, LargCu, longspire from EI", error)) {
    return "catalogue " + path + " inutilisable : " + error.description;
  }
  return "";
}

// The reason a file cannot be a design document, or the empty text.
std::string DocumentProblem(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return "document introuvable : " + path;
  if (!std::filesystem::is_regular_file(path, error)) return "pas un fichier : " + path;
  // Turned down from its size, before a byte of it is read.
  if (std::filesystem::file_size(path, error) > kel::kIniFileLimit) {
    return "document trop grand (plus de 4 Mo), ce n'est pas un document de conception : " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "document illisible : " + path;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (content.find('\0') != std::string::npos) return "pas un document texte : " + path;
  if (kel::ReadIni(path, "SPECIFS", "Freq").empty() &&
      kel::ReadIni(path, "SPECIFS", "Volts0").empty() &&
      kel::ReadIni(path, "SPECIFS", "Volts1").empty()) {
    return "pas un document de conception (section [SPECIFS] absente ou vide) : " + path;
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::string catalogue, sheet_path, document;
  bool json = false;
  char separator = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (arg == "--json") {
      json = true;
    } else if (arg == "--catalogue") {
      if (!value(catalogue)) return Fail("--catalogue attend un fichier\n" + std::string(kUsage));
    } else if (arg == "--sheet") {
      if (!value(sheet_path)) return Fail("--sheet attend un fichier\n" + std::string(kUsage));
    } else if (arg == "--decimal-separator") {
      std::string sep;
      if (!value(sep) || sep.size() != 1) {
        return Fail("--decimal-separator attend un caractère, par exemple , ou .\n" +
                    std::string(kUsage));
      }
      separator = sep[0];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Fail("option inconnue : " + arg + "\n" + kUsage);
    } else if (document.empty()) {
      document = arg;
    } else {
      return Fail("un seul document à la fois\n" + std::string(kUsage));
    }
  }
  if (document.empty()) return Fail(std::string("document manquant\n") + kUsage);
  if (separator == 0) separator = kel::LocaleDecimalSeparator();

  BatchPlatform platform;
  if (const std::string problem = DocumentProblem(document); !problem.empty()) return Fail(problem);

  const std::string exe = platform.ExecutablePath();
  const std::string settings = kel::SettingsPathFor(exe);
  if (catalogue.empty()) {
    catalogue =
        kel::PathFromStored(kel::ReadIni(settings, kel::kSettingsSection, kel::kKeyDataBase));
  }
  if (catalogue.empty()) catalogue = kel::FolderOf(exe) + "/" + kel::kDefaultCatalogueName;
  if (const std::string problem = CatalogueProblem(catalogue); !problem.empty()) {
    return Fail(problem);
  }

  const std::string document_path = std::filesystem::absolute(document).string();
  // The sheet is deleted before it is written: naming the document would destroy it.
  if (!sheet_path.empty() && kel::IsSameFile(sheet_path, document_path)) {
    return Fail("--sheet désigne le document lui-même : " + sheet_path + "\n" + kUsage);
  }

  kel::MainForm form(platform, {separator, /*write_settings=*/false});
  form.SetSettingsPath(settings);
  form.SetDataBasePath(catalogue);
  if (!form.LoadDocument(document_path)) return Fail("document illisible : " + document);

  // Like the window's sheet, the file holds only this run's entries.
  if (!sheet_path.empty() && kel::FileExists(sheet_path)) kel::RemoveFile(sheet_path, 1);
  if (!sheet_path.empty() &&
      !kel::WriteManufacturingSheet(sheet_path, form.Sheet(), form.DocPath())) {
    return Fail("impossible d'écrire la fiche " + sheet_path);
  }
  std::cout << (json ? kel::JsonReport(form.Sheet(), platform.record)
                     : kel::TextReport(form.Sheet(), platform.record));
  return platform.record.messages.empty() ? 0 : 1;
}
