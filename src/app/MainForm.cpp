#include "app/MainForm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "documents/Title.h"
#include "kelvanor/Version.h"
#include "util/CrashRecovery.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel {

namespace {
constexpr const char* kSaveQuestion = "Enregistrer les modifications ?";
constexpr const char* kDefaultExtension = "kel";
// The recent documents sit beside Mru, which keeps its own meaning: "Recent1" is the latest.
constexpr const char* kKeyRecentPrefix = "Recent";
constexpr const char* kRecoveryStem = "recuperation";
constexpr const char* kChangedQuestion =
    "Le document a été modifié par un autre programme depuis son ouverture. Le remplacer ?";

// Mru, DataBase and the recent documents hold paths, kept byte for byte whatever their bytes.
bool IsPathSetting(const char* key) {
  return std::strcmp(key, kKeyMru) == 0 || std::strcmp(key, kKeyDataBase) == 0 ||
         std::strncmp(key, kKeyRecentPrefix, std::strlen(kKeyRecentPrefix)) == 0;
}

// A path given relative to the folder the program was started from, made absolute: kept as the
// last document, it must still name that file when the program starts from elsewhere.
std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
  if (!folder) return path;
  const std::string relative = path.compare(0, 2, "./") == 0 ? path.substr(2) : path;
  const std::string base = folder.get();
  return base == "/" ? "/" + relative : base + "/" + relative;
}

std::string ReadProblem(const std::string& path, FileRead read) {
  if (read == FileRead::kTooLarge) {
    return "Le fichier " + path + " est trop grand pour être un document (" + IniFileLimitText() +
           ") : il n'est pas ouvert.";
  }
  return "Impossible de lire " + path +
         " : le fichier existe mais ne peut pas être lu (droits d'accès ou erreur de lecture). Il "
         "n'est pas ouvert.";
}

std::string NotADesignProblem(const std::string& path) {
  return "Le fichier " + path +
         " n'est pas un document de Kelvanor (ce n'est pas du texte, ou il ne contient aucune "
         "donnée de calcul) : il n'est pas ouvert.";
}

std::string SettingsProblem(const std::string& path, FileRead read) {
  return (read == FileRead::kTooLarge ? "Le fichier de réglages " + path + " est trop grand (" +
                                            IniFileLimitText() + ") et n'est pas lu."
                                      : "Impossible de lire le fichier de réglages " + path + ".") +
         " Les réglages ne seront ni lus ni enregistrés pendant cette session.";
}
}  // namespace

MainForm::MainForm(Platform& platform, MainFormOptions options)
    : platform_(platform),
      options_(options),
      design_(platform, options.decimal_separator),
      sheet_(design_.Sheet()),
      catalogue_(design_.Catalogue()) {
  // The "Database" dialog opens where the bundled catalogue lies, so that accepting its proposal
  // works at the first start, from a build tree as once installed.
  ChainEnvironment& environment = design_.Environment();
  catalogue_folder_ = environment.program_folder;
  environment.remember_catalogue_path = [this](const std::string& path) {
    WriteSetting(kKeyDataBase, path);
  };
  environment.update_title = [this](bool mark) { UpdateTitle(mark); };
}

std::string MainForm::ReadSetting(const char* key) const {
  const std::string value = ReadIni(settings_path_, kSettingsSection, key, file_ops_);
  return IsPathSetting(key) ? PathFromStored(value) : value;
}

void MainForm::WriteSetting(const char* key, const std::string& value) {
  // Settings that cannot be written are asked for again at the next start; nothing more.
  if (options_.write_settings) {
    WriteIni(settings_path_, kSettingsSection, key,
             QuotedIniValue(IsPathSetting(key) ? StoredPath(value) : value), file_ops_);
    // Every document the user opens or saves passes through Mru.
    if (std::string(key) == kKeyMru) RememberRecent(value);
  }
}

std::vector<std::string> MainForm::RecentDocuments() const {
  std::vector<std::string> paths;
  for (int n = 1; n <= kRecentDocuments; ++n) {
    std::string path = ReadSetting((kKeyRecentPrefix + std::to_string(n)).c_str());
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

void MainForm::WriteRecent(const std::vector<std::string>& paths) {
  for (int n = 1; n <= kRecentDocuments; ++n) {
    const std::string key = kKeyRecentPrefix + std::to_string(n);
    const std::string value = n <= static_cast<int>(paths.size()) ? paths[n - 1] : "";
    if (ReadSetting(key.c_str()) != value) {
      WriteIni(settings_path_, kSettingsSection, key, QuotedIniValue(StoredPath(value)), file_ops_);
    }
  }
}

void MainForm::RememberRecent(const std::string& path) {
  if (path.empty()) return;
  std::vector<std::string> paths = {path};
  for (const std::string& older : RecentDocuments()) {
    if (older != path && static_cast<int>(paths.size()) < kRecentDocuments) {
      paths.push_back(older);
    }
  }
  WriteRecent(paths);
}

void MainForm::ForgetDocument(const std::string& path) {
  if (!options_.write_settings) return;
  if (ReadSetting(kKeyMru) == path) {
    WriteIni(settings_path_, kSettingsSection, kKeyMru, "", file_ops_);
  }
  std::vector<std::string> paths = RecentDocuments();
  if (std::erase(paths, path) > 0) WriteRecent(paths);
}

std::string MainForm::ProgramFileAt(const std::string& path) const {
  if (!catalogue_.DataBasePath.empty() && IsSameFile(path, catalogue_.DataBasePath)) {
    return "le catalogue en service";
  }
  if (!settings_path_.empty() && IsSameFile(path, settings_path_)) return "le fichier de réglages";
  return "";
}

std::string MainForm::ExportRefusal(const std::string& path) const {
  const auto refused = [&path](const std::string& what) {
    return "Le fichier " + path + " est " + what +
           " : l'export ne le remplace pas. Choisissez un "
           "autre nom.";
  };
  if (!doc_path_.empty() && IsSameFile(path, doc_path_)) return refused("le document ouvert");
  if (const std::string what = ProgramFileAt(path); !what.empty()) return refused(what);
  // Opening a pipe to write waits for a reader, and a device is nobody's export.
  if (IsSpecialFile(path)) return refused("un dossier, un tube ou un périphérique");
  return "";
}

std::string MainForm::SaveRefusal(const std::string& path) const {
  const auto refused = [&path](const std::string& what) {
    return "Le fichier " + path + " est " + what +
           " : le document n'y est pas enregistré. Choisissez un autre nom.";
  };
  if (const std::string what = ProgramFileAt(path); !what.empty()) return refused(what);
  // A save writes its entries into the file it names: into anything but a design, they would
  // be merged into someone else's file. A read that fails here is the save's own to report.
  if (FileExists(path) && !IsSpecialFile(path) &&
      ReadDesignDocument(path, IniFileOps{}).not_a_design) {
    return refused("un fichier qui n'est pas un document de Kelvanor");
  }
  return "";
}

void MainForm::MnuRecent_Click(const std::string& path) {
  if (!FileExists(path)) {
    platform_.MessageBox("Le document " + path + " n'existe plus.", MsgButtons::Ok, MsgIcon::None,
                         "");
    std::vector<std::string> paths = RecentDocuments();
    std::erase(paths, path);
    if (options_.write_settings) WriteRecent(paths);
    return;
  }
  if (!ConfirmSaveChanges()) return;
  doc_path_ = path;
  OpenDesign(false);
}

void MainForm::MnuNoyauAuto_Click() {
  if (!sheet_.CoreForced && sheet_.LbNoyauColour == TextColour::Black &&
      sheet_.TxNoyauColour == TextColour::Black) {
    return;  // already the automatic choice
  }
  sheet_.CoreForced = false;
  sheet_.TxNoyauColour = TextColour::Black;
  sheet_.LbNoyauColour = TextColour::Black;
  ComputeW();
}

void MainForm::MnuCatalogue_Click() {
  const std::string current = catalogue_.DataBasePath;
  const std::string folder = current.empty() ? catalogue_folder_ : FolderOf(current);
  const std::string name = current.empty() ? kDefaultCatalogueName : FileNameOf(current);
  const std::string chosen =
      platform_.ShowFileDialog({"Database", folder, name, FileDialogVerb::Open});
  if (chosen.empty()) return;
  catalogue_.DataBasePath = chosen;
  // A catalogue the user has just chosen is worth a word even if it failed before.
  catalogue_.AnnouncedFailure.clear();
  WriteSetting(kKeyDataBase, chosen);
  // The list shows the chosen catalogue's cores or, when it cannot be read, none.
  core_list_.clear();
  TxNoyau_DblClick();
  // The results must come from the catalogue now in use; the design itself is as it was.
  const bool modified = sheet_.Modified;
  ComputeW();
  sheet_.Modified = modified;
  UpdateTitle(modified);
}

std::string MainForm::AboutText() const {
  const std::string catalogue = catalogue_.DataBasePath.empty() ? "aucun" : catalogue_.DataBasePath;
  return std::string("Kelvanor ") + kVersionText +
         "\nCalcul de transformateurs d'alimentation sur tôles EI.\n\n"
         "Licence : GPL-3.0-or-later (GNU General Public License, version 3 ou ultérieure).\n\n"
         "Catalogue en service : " +
         catalogue +
         "\n\nSources des données :\n"
         "– le catalogue fourni (Zivodevu.mdb) : tôles EI standard sans chutes, EI 30 à EI 150 "
         "en quatre hauteurs d'empilage, valeurs calculées d'après leur géométrie (acier "
         "7,65\u00a0g/\u2060cm³, foisonnement 0,96) ; le détail figure dans data/README.md des "
         "sources "
         "du programme.";
}

void MainForm::MnuAPropos_Click() {
  platform_.MessageBox(AboutText(), MsgButtons::Ok, MsgIcon::None, "À propos de Kelvanor");
}

void MainForm::UpdateTitle(bool mark) {
  ++changes_;
  title_ = TitleText(platform_.ExecutablePath(), doc_path_, mark);
  // A dialog may come up before the handler returns; the title must already be true under it.
  if (title_listener_) title_listener_(title_);
}

void MainForm::ComputeW() {
  ++recalculations_;
  design_.Recalculate();
}

std::optional<ControlRef> MainForm::TakeSelectAll() {
  std::optional<ControlRef> request = select_all_;
  select_all_.reset();
  return request;
}

// ---------------------------------------------------------------------------------------------
// Start-up

void MainForm::Form_Load(const std::string& command_line) {
  if (settings_path_.empty()) settings_path_ = SettingsPathFor(platform_.ExecutablePath());
  // A settings file that cannot be read reads as empty and is never written over (the INI
  // writer refuses); the user hears of it once.
  if (const FileRead read = IniDocument::Load(settings_path_, file_ops_).Read();
      IsReadFailure(read)) {
    platform_.MessageBox(SettingsProblem(settings_path_, read), MsgButtons::Ok, MsgIcon::None, "");
  }
  sheet_.DiaForced.fill(false);
  if (catalogue_.DataBasePath.empty()) {
    catalogue_.DataBasePath = StoredCataloguePath(settings_path_, file_ops_);
  }
  doc_path_ = command_line;
  // Quotes go only when they enclose the whole argument: a file name may hold one of its own.
  if (command_line.size() >= 2 && command_line.front() == '"' && command_line.back() == '"') {
    doc_path_ = command_line.substr(1, command_line.size() - 2);
  }
  doc_path_ = AbsolutePath(doc_path_);
  if (doc_path_.empty()) doc_path_ = ReadSetting(kKeyMru);
  // A document that cannot be read leaves the new design, without a path to save over it.
  if (doc_path_.empty() || !OpenDesign(false)) NewDesign();
  TxNoyau_DblClick();
  sheet_.Modified = false;
  UpdateTitle(false);
  // A session that leaves the user's settings alone leaves the recovery documents alone too.
  if (options_.write_settings) OfferRecovery();
}

void MainForm::TxNoyau_DblClick() {
  if (OpenCatalogue(catalogue_, platform_, catalogue_folder_) == OpenOutcome::Opened) {
    FillCoreList(catalogue_, core_list_, platform_, options_.decimal_separator);
  }
}

// ---------------------------------------------------------------------------------------------
// Documents

namespace {
// Designs belong with the user's files: the open and save dialogs start in the folder of the last
// document (DialogFolderFor).
std::vector<std::string> DocumentFilters(const std::string& extension) {
  return {"Documents Kelvanor (*." + extension + ")", "Tous les fichiers (*)"};
}
}  // namespace

bool MainForm::OpenDesign(bool ask) {
  const std::string mru = ReadSetting(kKeyMru);
  if (ask && !ConfirmSaveChanges()) return false;
  if (doc_path_.empty()) {
    const bool mru_folder_exists = FolderExists(FolderOf(mru));
    doc_path_ = platform_.ShowFileDialog(
        {"Ouvrir", DialogFolderFor(mru), mru_folder_exists ? FileNameOf(mru) : std::string(),
         FileDialogVerb::Open, DocumentFilters(DocumentExtension()), true});
    if (doc_path_.empty()) {
      UpdateTitle(sheet_.Modified);
      return false;
    }
  }
  // Read before anything is remembered: a file that cannot be read must neither show as an empty
  // design that a save would write over it, nor become the document of every later start.
  const DesignEntries entries = ReadDesignDocument(doc_path_, file_ops_);
  if (IsReadFailure(entries.read) || entries.not_a_design) {
    platform_.MessageBox(
        entries.not_a_design ? NotADesignProblem(doc_path_) : ReadProblem(doc_path_, entries.read),
        MsgButtons::Ok, MsgIcon::None, "");
    if (entries.not_a_design) ForgetDocument(doc_path_);
    // The design on screen stays, with the file it belongs to and its unsaved mark.
    doc_path_ = kept_.path;
    sheet_.Modified = kept_.modified;
    kept_ = {};
    UpdateTitle(sheet_.Modified);
    return false;
  }
  kept_ = {};
  WriteSetting(kKeyMru, doc_path_);
  UpdateTitle(sheet_.Modified);
  stamp_path_ = doc_path_;
  stamp_ = entries.stamp;
  ShowEntries(entries);
  return true;
}

void MainForm::ShowEntries(const DesignEntries& entries) {
  const bool remarks_changed = entries.remarks != sheet_.TxRem;
  design_.Take(entries);
  // New remarks are a change like typed ones: the title says so under any dialog of the chain.
  if (remarks_changed) {
    sheet_.Modified = true;
    UpdateTitle(true);
  }
  ComputeW();
  sheet_.Modified = false;
  UpdateTitle(false);
}

bool MainForm::DocumentChangedOnDisk() const {
  if (doc_path_ != stamp_path_) return false;
  const std::optional<FileStamp> now = StampOf(doc_path_);
  return now && now != stamp_;
}

std::string MainForm::DocumentExtension() const {
  const std::string extension = ReadSetting(kKeyExtension);
  return extension.empty() ? kDefaultExtension : extension;
}

MainForm::SaveOutcome MainForm::SaveDesign() {
  const std::string extension = DocumentExtension();
  if (ReadSetting(kKeyExtension).empty()) WriteSetting(kKeyExtension, extension);
  if (doc_path_.empty()) {
    const std::string mru = ReadSetting(kKeyMru);
    doc_path_ = platform_.ShowFileDialog({"Enregistrer sous ...", DialogFolderFor(mru),
                                          "Nouveau." + extension, FileDialogVerb::Save,
                                          DocumentFilters(extension), true});
    if (doc_path_.empty()) {
      UpdateTitle(sheet_.Modified);
      return SaveOutcome::Cancelled;
    }
    // A name typed without an extension gets the documents' own, so that "Ouvrir" shows it.
    if (FileNameOf(doc_path_).find('.', 1) == std::string::npos) doc_path_ += "." + extension;
  }
  if (const std::string refusal = SaveRefusal(doc_path_); !refusal.empty()) {
    platform_.MessageBox(refusal, MsgButtons::Ok, MsgIcon::None, "");
    // The next save asks for a name rather than try this file again.
    doc_path_.clear();
    UpdateTitle(sheet_.Modified);
    return SaveOutcome::Failed;
  }
  if (DocumentChangedOnDisk() && platform_.MessageBox(kChangedQuestion, MsgButtons::OkCancel,
                                                      MsgIcon::Question, "") != MsgAnswer::Ok) {
    return SaveOutcome::Cancelled;
  }
  if (FileExists(doc_path_) &&
      platform_.MessageBox("Remplacer " + doc_path_ + " existant", MsgButtons::OkCancel,
                           MsgIcon::Question, "") != MsgAnswer::Ok) {
    return SaveOutcome::Cancelled;
  }
  UpdateTitle(sheet_.Modified);
  WriteSetting(kKeyMru, doc_path_);
  FileRead read = FileRead::kRead;
  if (!WriteDesignDocument(doc_path_, sheet_, doc_path_, file_ops_, &read)) {
    // Nothing is reported as saved that was not: the mark stays and the old file is intact.
    platform_.MessageBox(IsReadFailure(read)
                             ? "Impossible d'enregistrer " + doc_path_ +
                                   " : le fichier existant ne peut pas être lu, il n'est donc pas "
                                   "remplacé. Le document précédent est intact."
                             : "Impossible d'enregistrer " + doc_path_ +
                                   " : le fichier ou son dossier n'accepte pas l'écriture, ou le "
                                   "disque est plein. Le document précédent est intact.",
                         MsgButtons::Ok, MsgIcon::None, "");
    UpdateTitle(sheet_.Modified);
    return SaveOutcome::Failed;
  }
  stamp_path_ = doc_path_;
  stamp_ = StampOf(doc_path_);
  sheet_.Modified = false;
  UpdateTitle(false);
  return SaveOutcome::Saved;
}

bool MainForm::ConfirmSaveChanges() {
  // What to go back to when the document to open next turns out not to be one.
  kept_ = {doc_path_, sheet_.Modified};
  if (doc_path_.empty() && !sheet_.Modified) return true;
  if (!sheet_.Modified) {
    doc_path_.clear();
    return true;
  }
  // A design without a file is offered for saving too: its changes exist nowhere else.
  switch (
      platform_.MessageBox(kSaveQuestion, MsgButtons::YesNoCancel, MsgIcon::Question, doc_path_)) {
    case MsgAnswer::Yes:
      // A save that did not happen (replace refused, dialog cancelled, write failed) must not
      // let the caller drop the design.
      if (SaveDesign() != SaveOutcome::Saved) return false;
      kept_ = {doc_path_, false};
      doc_path_.clear();
      return true;
    case MsgAnswer::No:
      sheet_.Modified = false;
      UpdateTitle(false);
      doc_path_.clear();
      return true;
    case MsgAnswer::Ok:
    case MsgAnswer::Cancel:
    case MsgAnswer::NoToAll:
      break;
  }
  return false;
}

void MainForm::NewDesign() {
  // Changes without a file are asked about like any others: going straight to the save dialog
  // made its Cancel throw the design away.
  if (!ConfirmSaveChanges()) return;
  kept_ = {};
  doc_path_.clear();
  sheet_.TxFreq = "50";
  sheet_.TxTesla = "1,5";
  sheet_.TxDCourant = "3";
  for (int i = 0; i < kRows; ++i) {
    sheet_.TxVolts[i].clear();
    sheet_.TxAmps[i].clear();
    sheet_.DiaForced[i] = false;
    sheet_.TxDiaCuColour[i] = TextColour::Black;
  }
  sheet_.CoreForced = false;
  sheet_.TxNoyauColour = TextColour::Black;
  sheet_.LbNoyauColour = TextColour::Black;
  sheet_.TxVolts[0] = "230";
  sheet_.TxVolts[1] = "100";
  sheet_.TxAmps[1] = "1";
  sheet_.VerifOptions.clear();
  TxRem_Change("");
  ComputeW();
  sheet_.Modified = false;
  UpdateTitle(false);
}

void MainForm::MnuEnregistrerSous_Click() {
  doc_path_.clear();
  SaveDesign();
}

void MainForm::MnuDossier_Click() {
  // A sheet is named after its document; a design without one gets one first.
  if (doc_path_.empty() && SaveDesign() != SaveOutcome::Saved) return;
  const std::string sheet_path = SheetPathOf(doc_path_);
  if (IsSameFile(sheet_path, doc_path_)) {
    platform_.MessageBox("La fiche de fabrication " + sheet_path +
                             " remplacerait le document lui-même : elle n'est pas écrite. "
                             "Enregistrez le document sous un nom dont l'extension n'est pas "
                             ".dfa.",
                         MsgButtons::Ok, MsgIcon::None, "");
    return;
  }
  if (IsSpecialFile(sheet_path)) {
    platform_.MessageBox("La fiche de fabrication " + sheet_path +
                             " désigne un dossier, un tube ou un périphérique, pas un fichier "
                             "ordinaire : elle n'est pas écrite.",
                         MsgButtons::Ok, MsgIcon::None, "");
    return;
  }
  // The old sheet is replaced whole once the new one is on disk, never deleted first.
  if (!WriteManufacturingSheet(sheet_path, sheet_, doc_path_, file_ops_)) {
    platform_.MessageBox("Impossible d'écrire la fiche de fabrication " + sheet_path,
                         MsgButtons::Ok, MsgIcon::None, "");
    return;
  }
  if (!platform_.ShowTextFile(sheet_path)) {
    platform_.MessageBox("La fiche de fabrication " + sheet_path +
                             " est écrite, mais aucun visualiseur de texte n'a pu être lancé.",
                         MsgButtons::Ok, MsgIcon::None, "");
  }
}

bool MainForm::Form_QueryUnload() {
  return ConfirmSaveChanges();
}

std::string MainForm::RecoveryFolder() const {
  // Without a settings file (no home folder) there is no place of the user's to put it in.
  return FolderOf(settings_path_);
}

std::vector<std::string> MainForm::RecoveryDocuments() const {
  std::vector<std::pair<std::int64_t, std::string>> found;
  const std::string folder = RecoveryFolder();
  if (folder.empty()) return {};
  std::error_code error;
  for (auto entry = std::filesystem::directory_iterator(folder, error);
       !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.rfind(kRecoveryStem, 0) != 0 || name.size() < 4 ||
        name.compare(name.size() - 4, 4, ".kel") != 0) {
      continue;
    }
    // Only files of its own: a link there may name anything.
    struct stat info {};
    const std::string path = folder + "/" + name;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    found.emplace_back(StampFromStat(info).modified_ns, path);
  }
  // The latest first.
  std::sort(found.begin(), found.end(), std::greater<>());
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (auto& [when, path] : found) paths.push_back(std::move(path));
  return paths;
}

namespace {
// The date and time in a recovery document's name.
std::string RecoveryStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char stamp[32] = "";
  if (::localtime_r(&now, &local) != nullptr) {
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  }
  return stamp;
}
}  // namespace

void MainForm::PrepareCrashRecovery() {
  // Building the document grows with the square of the remarks' size (0,1 s at 64 kB, 2,4 s at
  // 300 kB): past this the copy would stall the window after every change, so there is none.
  constexpr std::size_t kRemarksLimit = 64 * 1024;
  const std::string folder = RecoveryFolder();
  if (!sheet_.Modified || folder.empty() || !options_.write_settings ||
      sheet_.TxRem.size() > kRemarksLimit) {
    crash::Forget();
    return;
  }
  crash::Keep(folder + "/" + kRecoveryStem + "-" + RecoveryStamp(),
              RecoveryDocumentText(sheet_, doc_path_));
}

std::string MainForm::KeepUnsavedForRecovery() {
  if (!sheet_.Modified) return "";
  const std::string folder = RecoveryFolder();
  if (folder.empty()) {
    std::fprintf(stderr,
                 "kelvanor : pas de dossier de réglages, les modifications non enregistrées ne "
                 "peuvent pas être gardées.\n");
    return "";
  }
  // Written as a document of its own so that it can be opened again; it names the document the
  // changes belong to. Each session end gets a new file, created here and nowhere else: never
  // through a link, never over another session's recovery.
  const std::string text = RecoveryDocumentText(sheet_, doc_path_);
  const std::string stamp = RecoveryStamp();
  const auto write = [this](int fd, const char* data, std::size_t size) {
    return file_ops_.write ? file_ops_.write(fd, data, size) : ::write(fd, data, size);
  };
  int error = 0;
  for (int n = 1; n <= 100; ++n) {
    std::string path = folder + "/" + kRecoveryStem + "-" + stamp +
                       (n == 1 ? std::string() : "-" + std::to_string(n)) + ".kel";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      error = errno;
      if (error == EEXIST) continue;
      break;
    }
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t count = write(fd, text.data() + done, text.size() - done);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    error = done < text.size() ? (errno != 0 ? errno : ENOSPC) : 0;
    if (error == 0 && (file_ops_.fsync ? file_ops_.fsync(fd) : ::fsync(fd)) != 0) error = errno;
    ::close(fd);
    if (error == 0) return path;
    ::unlink(path.c_str());  // ours, created above; half of it would help nobody
    break;
  }
  std::fprintf(stderr,
               "kelvanor : le document de récupération n'a pas pu être écrit dans %s (%s) ; les "
               "modifications non enregistrées sont perdues.\n",
               folder.c_str(), std::strerror(error != 0 ? error : EEXIST));
  return "";
}

void MainForm::OfferRecovery() {
  const std::vector<std::string> found = RecoveryDocuments();
  for (std::size_t n = 0; n < found.size(); ++n) {
    const std::string& path = found[n];
    const std::size_t older = found.size() - n - 1;
    const std::optional<FileStamp> stamp = StampOf(path);
    const auto seconds = static_cast<std::time_t>(stamp ? stamp->modified_ns / 1'000'000'000 : 0);
    std::tm local{};
    char when[64] = "";
    if (::localtime_r(&seconds, &local) != nullptr) {
      std::strftime(when, sizeof when, "%d/%m/%Y à %H:%M", &local);
    }
    // Many of them (sessions that ended again and again) are offered in one go: "Non pour tous"
    // refuses this one and every older one.
    const std::string others = older == 0 ? ""
                                          : ", ainsi que " + std::to_string(older) +
                                                " plus ancien" + (older > 1 ? "s" : "");
    const MsgAnswer answer = platform_.MessageBox(
        "Un document de récupération du " + std::string(when) + " existe" + others + ". L'ouvrir ?",
        older == 0 ? MsgButtons::YesNo : MsgButtons::YesNoNoToAll, MsgIcon::Question, "");
    if (answer == MsgAnswer::NoToAll) {
      for (std::size_t rest = n; rest < found.size(); ++rest) RemoveFile(found[rest], 0);
      return;
    }
    if (answer != MsgAnswer::Yes) {
      RemoveFile(path, 0);
      continue;
    }
    const DesignEntries entries = ReadDesignDocument(path, file_ops_);
    if (IsReadFailure(entries.read) || entries.not_a_design) {
      // Left where it is: the user can still take it from there by hand.
      platform_.MessageBox(
          entries.not_a_design ? NotADesignProblem(path) : ReadProblem(path, entries.read),
          MsgButtons::Ok, MsgIcon::None, "");
      return;
    }
    // The recovery names its document, but it is a file like any other: a save would write into
    // whatever it names. Only a design, or a file yet to be made, stays the design's file.
    doc_path_ = RecoveredDocumentPath(path, file_ops_);
    if (!doc_path_.empty() && (IsSpecialFile(doc_path_) || !SaveRefusal(doc_path_).empty())) {
      doc_path_.clear();
    }
    ShowEntries(entries);
    // The document on disk is the older version the user had not yet saved over.
    stamp_path_ = doc_path_;
    stamp_ = StampOf(doc_path_);
    sheet_.Modified = true;
    UpdateTitle(true);
    RemoveFile(path, 0);
    return;
  }
}

// ---------------------------------------------------------------------------------------------
// Induction, core list, remarks

void MainForm::BtPlusT_Click() {
  sheet_.TxTesla = SteppedInduction(sheet_.TxTesla, 0.05, options_.decimal_separator);
  ComputeW();
}

void MainForm::BtMoinsT_Click() {
  sheet_.TxTesla = SteppedInduction(sheet_.TxTesla, -0.05, options_.decimal_separator);
  ComputeW();
}

void MainForm::LstCore_DblClick(const std::string& selected_entry) {
  if (UpperCase(selected_entry) == UpperCase(sheet_.TxNoyau)) return;
  sheet_.CoreForced = true;
  sheet_.TxNoyau = selected_entry;
  sheet_.TxNoyauColour = TextColour::Red;
  sheet_.LbNoyauColour = TextColour::Red;
  ComputeW();
}

void MainForm::TxRem_Change(const std::string& text) {
  if (text == sheet_.TxRem) return;  // only a real change of the text is an event
  sheet_.TxRem = text;
  sheet_.Modified = true;
  UpdateTitle(true);
}

// ---------------------------------------------------------------------------------------------
// Fields

void MainForm::MnuFichier_Click() {
  if (focused_.control != Control::LstCore) {
    LostFocus(focused_);
    focused_ = {Control::LstCore, 0};
  }
}

std::string* MainForm::TextOf(ControlRef c) {
  if (c.index < 0 || c.index >= kRows) return nullptr;
  switch (c.control) {
    case Control::TxFreq:
      return &sheet_.TxFreq;
    case Control::TxDCourant:
      return &sheet_.TxDCourant;
    case Control::TxVolts:
      return &sheet_.TxVolts[c.index];
    case Control::TxAmps:
      return &sheet_.TxAmps[c.index];
    case Control::TxDiaCu:
      return &sheet_.TxDiaCu[c.index];
    default:
      return nullptr;
  }
}

void MainForm::SetText(ControlRef control, const std::string& text) {
  if (control.control == Control::TxRem) {
    TxRem_Change(text);
  } else if (std::string* field = TextOf(control)) {
    *field = text;
  }
}

void MainForm::GotFocus(ControlRef c) {
  focused_ = c;
  switch (c.control) {
    case Control::TxFreq:
      TxFreq_GotFocus();
      break;
    case Control::TxDCourant:
      TxDCourant_GotFocus();
      break;
    case Control::TxVolts:
      TxVolts_GotFocus(c.index);
      break;
    case Control::TxAmps:
      TxAmps_GotFocus(c.index);
      break;
    case Control::TxDiaCu:
      TxDiaCu_GotFocus(c.index);
      break;
    default:
      break;
  }
}

void MainForm::LostFocus(ControlRef c) {
  // A focus loss counts once: a view may report it after the menu has already taken the focus.
  if (!(c == focused_)) return;
  focused_ = {};
  switch (c.control) {
    case Control::TxFreq:
      TxFreq_LostFocus();
      break;
    case Control::TxDCourant:
      TxDCourant_LostFocus();
      break;
    case Control::TxVolts:
      TxVolts_LostFocus(c.index);
      break;
    case Control::TxAmps:
      TxAmps_LostFocus(c.index);
      break;
    case Control::TxDiaCu:
      TxDiaCu_LostFocus(c.index);
      break;
    default:
      break;
  }
}

bool MainForm::KeyPress(ControlRef c, int key_code) {
  switch (c.control) {
    case Control::TxFreq:
      return TxFreq_KeyPress(key_code);
    case Control::TxDCourant:
      return TxDCourant_KeyPress(key_code);
    case Control::TxVolts:
      return TxVolts_KeyPress(c.index, key_code);
    case Control::TxAmps:
      return TxAmps_KeyPress(c.index, key_code);
    case Control::TxDiaCu:
      return TxDiaCu_KeyPress(c.index, key_code);
    default:
      return false;
  }
}

void MainForm::SelectAll(ControlRef control, std::string& remembered, const std::string& text) {
  select_all_ = control;
  remembered = text;
}

void MainForm::TxVolts_GotFocus(int i) {
  SelectAll({Control::TxVolts, i}, sheet_.SavedVoltsText[i], sheet_.TxVolts[i]);
}

bool MainForm::TxVolts_KeyPress(int i, int key_code) {
  if (key_code != kEnterKey) return false;
  if (VoltsChanged(i)) ComputeW();
  TxVolts_GotFocus(i);
  return true;
}

void MainForm::TxVolts_LostFocus(int i) {
  if (VoltsChanged(i)) ComputeW();
}

void MainForm::TxAmps_GotFocus(int i) {
  SelectAll({Control::TxAmps, i}, sheet_.SavedAmpsText[i], sheet_.TxAmps[i]);
}

bool MainForm::TxAmps_KeyPress(int i, int key_code) {
  if (key_code != kEnterKey) return false;
  if (AmpsChanged(i)) ComputeW();
  return true;
}

void MainForm::TxAmps_LostFocus(int i) {
  if (AmpsChanged(i)) ComputeW();
}

void MainForm::TxFreq_GotFocus() {
  SelectAll({Control::TxFreq, 0}, sheet_.SavedFreqText, sheet_.TxFreq);
}

bool MainForm::TxFreq_KeyPress(int key_code) {
  if (key_code != kEnterKey) return false;
  if (FreqChanged()) ComputeW();
  return true;
}

void MainForm::TxFreq_LostFocus() {
  if (FreqChanged()) ComputeW();
}

void MainForm::TxDCourant_GotFocus() {
  SelectAll({Control::TxDCourant, 0}, sheet_.SavedDCourantText, sheet_.TxDCourant);
}

bool MainForm::TxDCourant_KeyPress(int key_code) {
  if (key_code != kEnterKey) return false;
  if (DCourantChanged()) ComputeW();
  return true;
}

void MainForm::TxDCourant_LostFocus() {
  if (ReadNumber(sheet_.TxDCourant) > 0 && DCourantChanged()) ComputeW();
}

void MainForm::TxDiaCu_GotFocus(int i) {
  SelectAll({Control::TxDiaCu, i}, sheet_.SavedDiaText[i], sheet_.TxDiaCu[i]);
}

bool MainForm::TxDiaCu_KeyPress(int i, int key_code) {
  const bool changed = DiaCuChanged(i);
  if (key_code != kEnterKey || !changed) return false;
  const bool forced = !sheet_.TxDiaCu[i].empty();
  sheet_.DiaForced[i] = forced;
  sheet_.TxDiaCuColour[i] = forced ? TextColour::Red : TextColour::Black;
  ComputeW();
  return true;
}

void MainForm::TxDiaCu_LostFocus(int i) {
  TxDiaCu_KeyPress(i, kEnterKey);
}

}  // namespace kel
