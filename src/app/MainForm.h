#pragma once
// The window's logic without a toolkit: it owns the design sheet and holds every event procedure
// of the window. A view forwards its events here and then shows the sheet, the title, the core
// list and the selection this class asks for.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CoreSearch.h"
#include "app/DesignService.h"
#include "catalogue/Catalogue.h"
#include "design/Chain.h"
#include "design/DesignSheet.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "util/Platform.h"

namespace kel {

// The controls that take the focus or the keyboard.
enum class Control { None, TxFreq, TxVolts, TxAmps, TxDCourant, TxDiaCu, TxRem, LstCore, Button };

struct ControlRef {
  Control control = Control::None;
  int index = 0;
  bool operator==(const ControlRef&) const = default;
};

inline constexpr int kEnterKey = 13;
inline constexpr int kRecentDocuments = 8;

struct MainFormOptions {
  char decimal_separator = ',';
  // The command-line calculator must not change the user's settings.
  bool write_settings = true;
};

class MainForm {
 public:
  MainForm(Platform& platform, MainFormOptions options);

  // State a view shows.
  const DesignSheet& Sheet() const { return sheet_; }
  DesignSheet& Sheet() { return sheet_; }
  const std::string& Title() const { return title_; }
  const std::vector<std::string>& CoreList() const { return core_list_; }
  const std::string& DocPath() const { return doc_path_; }
  const std::string& DataBasePath() const { return catalogue_.DataBasePath; }
  // The design as the tools have it too: the sheet, the catalogue session, the chain and the check.
  DesignService& Design() { return design_; }
  const DesignService& Design() const { return design_; }
  // The search for the core that fits, on a thread of its own: the check window follows the
  // design with it, and printing reads what it found rather than search again.
  CoreSearchRunner& CoreSearch() { return core_search_; }
  // The catalogue session and the desktop, for work beside the chain.
  CatalogueSession& Catalogue() { return catalogue_; }
  Platform& PlatformInUse() { return platform_; }
  const std::string& SettingsPath() const { return settings_path_; }
  bool Modified() const { return sheet_.Modified; }
  char DecimalSeparator() const { return options_.decimal_separator; }
  // The field whose whole text the view must select now, if any; asking clears the request.
  std::optional<ControlRef> TakeSelectAll();
  // Number of recalculations so far (for views and tests that want to know whether one ran).
  int Recalculations() const { return recalculations_; }

  // Start-up: the command line is empty or one document path, possibly in double quotes.
  void Form_Load(const std::string& command_line);
  // The catalogue to use when the settings name none (the calculator's --catalogue).
  void SetDataBasePath(const std::string& path) { catalogue_.DataBasePath = path; }
  // What each catalogue query may take (tests shorten it).
  void SetCatalogueLimits(const QueryLimits& limits) { catalogue_.limits = limits; }
  void SetSettingsPath(const std::string& path) { settings_path_ = path; }
  // The system calls through which the settings, documents and sheets are read and written: the
  // system's own unless changed (tests make one of them fail).
  void SetFileOps(IniFileOps ops) { file_ops_ = std::move(ops); }
  // Loads a document without any question, as start-up does (the calculator's way in); false
  // when it could not be read (the user has been told).
  bool LoadDocument(const std::string& path) {
    doc_path_ = path;
    return OpenDesign(false);
  }

  // Menu "Projet".
  void MnuFichier_Click();  // opening the menu: the focus goes to the core list first
  void MnuNouveau_Click() { NewDesign(); }
  void MnuOuvrir_Click() { OpenDesign(true); }
  void MnuEnregistrer_Click() { SaveDesign(); }
  void MnuEnregistrerSous_Click();
  void MnuDossier_Click();
  // True when the window may close.
  bool MnuQuitter_Click() { return Form_QueryUnload(); }
  // The window's close request, whatever asked for it; true when the window may close.
  bool Form_QueryUnload();
  // The desktop session ends and no question may be asked: unsaved changes are written to a new
  // recovery document beside the settings, named after the date and time (the document itself is
  // left alone). The path written, or empty when there was nothing to keep or it could not be
  // written (said on standard error).
  std::string KeepUnsavedForRecovery();
  // Prepares what a fatal signal would write (util/CrashRecovery.h): the unsaved design as a new
  // recovery document like KeepUnsavedForRecovery's, or nothing once saved (nor for remarks over
  // 64 kB, too slow to prepare after every change). A view runs it after changes (Changes()
  // counts them).
  void PrepareCrashRecovery();
  std::uint64_t Changes() const { return changes_; }
  // Where recovery documents go: the settings' folder; empty when there is none.
  std::string RecoveryFolder() const;
  // The recovery documents there, the latest first.
  std::vector<std::string> RecoveryDocuments() const;

  // Why an export may not be written at path: it is the open document, the catalogue in use or
  // the settings file (compared as files, through links); empty when it may.
  std::string ExportRefusal(const std::string& path) const;
  // Why the design may not be saved at path: the catalogue in use, the settings file, or an
  // existing file that is no design ("Ouvrir" refuses it too); empty when it may.
  std::string SaveRefusal(const std::string& path) const;

  // Documents opened or saved lately, the latest first (at most kRecentDocuments).
  std::vector<std::string> RecentDocuments() const;
  // Opens a recent document after the save question; one that is gone is said so and dropped.
  void MnuRecent_Click(const std::string& path);

  // Menu "Noyau": back to the automatic choice of the core, which then recalculates.
  void MnuNoyauAuto_Click();
  // Lets the user choose another catalogue, keeps its path and refills the core list.
  void MnuCatalogue_Click();
  // The "À propos" box: version, licence, the catalogue in use and where the data come from.
  std::string AboutText() const;
  void MnuAPropos_Click();

  void BtPlusT_Click();
  void BtMoinsT_Click();
  void LstCore_DblClick(const std::string& selected_entry);
  void TxNoyau_DblClick();

  // Remarks: the view calls this with the new text on every change, typed or not.
  void TxRem_Change(const std::string& text);

  // Field events. Key handlers return whether the key was consumed.
  void GotFocus(ControlRef control);
  void LostFocus(ControlRef control);
  bool KeyPress(ControlRef control, int key_code);
  ControlRef Focused() const { return focused_; }
  // Copies a typed text into the sheet (the view calls it before any handler).
  void SetText(ControlRef control, const std::string& text);

  void TxVolts_GotFocus(int i);
  bool TxVolts_KeyPress(int i, int key_code);
  void TxVolts_LostFocus(int i);
  void TxAmps_GotFocus(int i);
  bool TxAmps_KeyPress(int i, int key_code);
  void TxAmps_LostFocus(int i);
  void TxFreq_GotFocus();
  bool TxFreq_KeyPress(int key_code);
  void TxFreq_LostFocus();
  void TxDCourant_GotFocus();
  bool TxDCourant_KeyPress(int key_code);
  void TxDCourant_LostFocus();
  void TxDiaCu_GotFocus(int i);
  bool TxDiaCu_KeyPress(int i, int key_code);
  void TxDiaCu_LostFocus(int i);

  bool VoltsChanged(int i) const { return sheet_.TxVolts[i] != sheet_.SavedVoltsText[i]; }
  bool AmpsChanged(int i) const { return sheet_.TxAmps[i] != sheet_.SavedAmpsText[i]; }
  bool DiaCuChanged(int i) const { return sheet_.TxDiaCu[i] != sheet_.SavedDiaText[i]; }
  bool FreqChanged() const { return sheet_.TxFreq != sheet_.SavedFreqText; }
  bool DCourantChanged() const { return sheet_.TxDCourant != sheet_.SavedDCourantText; }

  // Document commands. OpenDesign is true when it loaded a document.
  bool OpenDesign(bool ask);
  enum class SaveOutcome { Saved, Cancelled, Failed };
  // Saved when the design was written; Cancelled when the user declined (dialog, replace
  // question); Failed when the file could not be written (the user has been told).
  SaveOutcome SaveDesign();
  bool ConfirmSaveChanges();
  void NewDesign();
  void ComputeW();
  void UpdateTitle(bool mark);
  // Told the new title at every change, so that a view can show it before a dialog comes up.
  void SetTitleListener(std::function<void(const std::string&)> listener) {
    title_listener_ = std::move(listener);
  }

 private:
  // "le catalogue en service" or "le fichier de réglages" when path is that file, else empty.
  std::string ProgramFileAt(const std::string& path) const;
  std::string ReadSetting(const char* key) const;
  // The extension of the settings, or the program's own when they name none.
  std::string DocumentExtension() const;
  void ShowEntries(const DesignEntries& entries);
  // At start-up, each recovery document in turn, until one is opened; a refused one goes.
  void OfferRecovery();
  // The document changed on disk since this program last read or wrote it.
  bool DocumentChangedOnDisk() const;
  void WriteSetting(const char* key, const std::string& value);
  void RememberRecent(const std::string& path);
  // Takes path out of Mru and the recent documents (a file found not to be a design).
  void ForgetDocument(const std::string& path);
  void WriteRecent(const std::vector<std::string>& paths);
  void SelectAll(ControlRef control, std::string& remembered, const std::string& text);
  std::string* TextOf(ControlRef control);

  Platform& platform_;
  MainFormOptions options_;
  DesignService design_;
  // The service's own, under the names the form's handlers use.
  DesignSheet& sheet_;
  CatalogueSession& catalogue_;
  std::string settings_path_;
  IniFileOps file_ops_;
  std::string doc_path_;
  // The design on screen before the save question of an opening: a file that turns out not to be
  // a design leaves it as it was.
  struct KeptDesign {
    std::string path;
    bool modified = false;
  };
  KeptDesign kept_;
  std::string catalogue_folder_;  // where the "Database" dialog opens
  // The document file as last read or written, to notice changes made by other programs.
  std::string stamp_path_;
  std::optional<FileStamp> stamp_;
  std::string title_ = "Form1";
  std::function<void(const std::string&)> title_listener_;
  std::uint64_t changes_ = 0;
  std::vector<std::string> core_list_;
  ControlRef focused_;
  std::optional<ControlRef> select_all_;
  int recalculations_ = 0;
  // Last: its thread works on copies, and stops before anything else of the form goes.
  CoreSearchRunner core_search_;
};

}  // namespace kel
