#include "ui/FormWidgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

namespace kel::ui {

int Twips::ToPixels(int twips) const {
  return static_cast<int>(std::lround(twips * dpi_ / 1440.0));
}

QRect Twips::ToPixels(int left, int top, int width, int height) const {
  return {ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height)};
}

namespace {

const QColor kDarkBlue(0, 0, 128);
const QColor kLightGreen(192, 255, 192);
const QColor kLightOrange(255, 192, 128);
const QColor kLightCyan(192, 255, 255);
const QColor kOverallBlue(0, 0, 192);
const QColor kPrimaryVoltsText(0, 0, 64);

constexpr double kCaptionPoints = 9.75;
constexpr double kFieldPoints = 8.25;

// The layout was drawn for a narrow bitmap sans-serif. The common wide sans-serif, condensed,
// keeps every fixed caption inside its box; faces with the widths of the usual office fonts come
// next.
// The face is chosen once: the list of installed families is built anew at every call, and the
// window asks for a font for each of its controls.
QFont SansFont(double point_size) {
  static const QFont chosen = [] {
    static const QStringList kNarrowFaces = {"Liberation Sans", "Arimo", "Arial", "Helvetica"};
    QFont face;
    const QStringList installed = QFontDatabase::families();
    if (installed.contains("DejaVu Sans")) {
      face.setFamilies({"DejaVu Sans"});
      face.setStretch(QFont::Condensed);
    } else {
      for (const QString& name : kNarrowFaces) {
        if (installed.contains(name)) {
          face.setFamilies({name});
          break;
        }
      }
    }
    return face;
  }();
  QFont font = chosen;
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(point_size);
  // Set explicitly, so that nothing is inherited from a frame's bold italic caption.
  font.setBold(false);
  font.setItalic(false);
  return font;
}

QString NameOf(const char* name, int index) {
  return QString("%1_%2").arg(name).arg(index);
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

// Labels, frames and results never take the focus, so clicking them leaves it where it was.
QLabel* AddLabel(QWidget* parent, const Twips& twips, const QString& name, const QString& caption,
                 QRect place, Qt::Alignment horizontal = Qt::AlignLeft,
                 double points = kCaptionPoints) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setGeometry(twips.ToPixels(place.x(), place.y(), place.width(), place.height()));
  label->setAlignment(horizontal | Qt::AlignTop);
  // A fixed caption too long for one line continues on the next, as far as its box reaches.
  label->setWordWrap(true);
  label->setFont(CaptionFont(points));
  label->setFocusPolicy(Qt::NoFocus);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* AddField(QWidget* parent, const Twips& twips, const QString& name, const QString& text,
                    QRect place) {
  // The field takes its font from its frame, which carries the fields' font for that reason: a
  // line edit lays its text out again at each change of font, and laying out in a font not yet
  // used loads that font first.
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setGeometry(twips.ToPixels(place.x(), place.y(), place.width(), place.height()));
  field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if (!text.isEmpty()) field->setText(text);
  field->setContextMenuPolicy(Qt::NoContextMenu);
  field->setFocusPolicy(Qt::StrongFocus);
  return field;
}

// A computed value reads in black, from its frame's palette: the field is read-only rather than
// disabled, which would grey it, and it takes neither the focus nor the Tab key.
QLineEdit* AddResult(QWidget* parent, const Twips& twips, const QString& name, int left, int top) {
  QLineEdit* field = AddField(parent, twips, name, QString(), QRect(left, top, 735, 285));
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::NoFocus);
  field->setAcceptDrops(false);
  field->setCursor(Qt::ArrowCursor);
  return field;
}

FramePanel* AddFrame(QWidget* parent, const Twips& twips, const QString& name,
                     const QString& caption, QRect place, const QColor& background) {
  auto* frame = new FramePanel(parent, caption);
  frame->setObjectName(name);
  frame->setGeometry(twips.ToPixels(place.x(), place.y(), place.width(), place.height()));
  SetColour(frame, QPalette::Window, background);
  return frame;
}

void BuildSpecifications(FormWidgets& w, const Twips& t, const PerRow<int>& row_top) {
  FramePanel* f = w.FmSpecifs;
  AddLabel(f, t, "Label11", "Freq (Hz)", {120, 360, 975, 240});
  w.TxFreq = AddField(f, t, "TxFreq", "50", {1200, 360, 495, 285});
  w.Label14 = AddLabel(f, t, "Label14", "Ind.(T)", {120, 840, 810, 240});
  w.Label14->hide();
  w.TxTesla = AddField(f, t, "TxTesla", "1.7", {1200, 840, 495, 285});
  w.TxTesla->hide();
  AddLabel(f, t, "Label2", "Volts", {1080, 1440, 615, 255}, Qt::AlignHCenter);
  AddLabel(f, t, "Label3", "Amps", {1800, 1440, 615, 255}, Qt::AlignHCenter);
  static const char* const kRowCaptions[kRows] = {"Pri", "Sec 1", "Sec 2", "Sec 3", "Sec 4"};
  for (int i = 0; i < kRows; ++i) {
    AddLabel(f, t, NameOf("Label1", i), kRowCaptions[i],
             {120, row_top[i], i == 0 ? 300 : 600, 240});
    w.TxVolts[i] = AddField(f, t, NameOf("TxVolts", i), "", {1080, row_top[i], 615, 285});
    // The primary's current is a result, shown by LbAmpsPri; its field stays out of sight.
    QWidget* amps_parent = i == 0 ? w.Client : static_cast<QWidget*>(f);
    const QRect amps_place =
        i == 0 ? QRect(3000, 120, 975, 285) : QRect(1800, row_top[i], 615, 285);
    w.TxAmps[i] = AddField(amps_parent, t, NameOf("TxAmps", i), "", amps_place);
  }
  w.TxAmps[0]->hide();
  w.LbAmpsPri = AddLabel(f, t, "LbAmpsPri", "", {1800, 1680, 495, 255}, Qt::AlignHCenter);
  QLabel* remarks_caption = AddLabel(f, t, "Label30", "Remarques", {120, 3600, 1320, 240});
  remarks_caption->setFont(CaptionFont(kCaptionPoints, true));

  w.TxRem = new QPlainTextEdit(f);
  w.TxRem->setObjectName("TxRem");
  w.TxRem->setGeometry(t.ToPixels(120, 3960, 3015, 2775));
  w.TxRem->setFont(FieldFont());
  w.TxRem->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  w.TxRem->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  w.TxRem->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  FitRemarksWrap(w.TxRem, QString());
  // Tab moves on to the next control; Enter starts a new line.
  w.TxRem->setTabChangesFocus(true);
  w.TxRem->setContextMenuPolicy(Qt::NoContextMenu);
}

void BuildCopper(FormWidgets& w, const Twips& t, const PerRow<int>& row_top) {
  FramePanel* f = w.FmCu;
  // Set once for the frame rather than on each of its thirty results.
  QPalette results = f->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    results.setColor(group, QPalette::Text, kBlackText);
  }
  f->setPalette(results);
  AddLabel(f, t, "Label12", "Amp/mm²", {240, 360, 990, 240});
  w.TxDCourant = AddField(f, t, "TxDCourant", "3.6", {1320, 360, 375, 285});
  AddLabel(f, t, "Label8", "Spires/Volt", {240, 840, 1170, 240});
  w.LbSpVolt = AddLabel(f, t, "LbSpVolt", "00", {1560, 840, 615, 255}, Qt::AlignRight);
  AddLabel(f, t, "Label25", "Hauteur utilisée (mm)", {3840, 360, 2205, 240});
  w.LbTotCu = AddLabel(f, t, "LbTotCu", "0", {7080, 360, 735, 255});
  AddLabel(f, t, "Label23", "Hauteur utile (mm)", {3840, 600, 1890, 240});
  w.LbSectCuMax = AddLabel(f, t, "LbSectCuMax", "?", {7080, 600, 615, 255});
  AddLabel(f, t, "Label13", "Diamêtre", {540, 1200, 975, 240}, Qt::AlignHCenter);
  AddLabel(f, t, "Label28", "Calculé", {240, 1440, 735, 255}, Qt::AlignLeft, kFieldPoints);
  AddLabel(f, t, "Label29", "Réèl", {1320, 1440, 405, 195}, Qt::AlignLeft, kFieldPoints);
  AddLabel(f, t, "Label9", "Spires", {2040, 1440, 735, 255});
  AddLabel(f, t, "Label10", "Long     (M)", {3000, 1200, 675, 480});
  AddLabel(f, t, "Label15", "Resist. (Ohms)", {3960, 1200, 735, 495});
  AddLabel(f, t, "Label17", " Volts Réèls", {4920, 1200, 735, 495});
  AddLabel(f, t, "Label18", "Haut (mm)", {5760, 1200, 810, 480});
  AddLabel(f, t, "Label5", "Spires  Couche", {6840, 1200, 915, 480});
  for (int i = 0; i < kRows; ++i) {
    w.LbDiaMin[i] = AddLabel(f, t, NameOf("LbDiaMin", i), "0", {240, row_top[i], 615, 255},
                             Qt::AlignRight, kFieldPoints);
    w.TxDiaCu[i] = AddField(f, t, NameOf("TxDiaCu", i), "", {1200, row_top[i], 615, 285});
    w.TxSpires[i] = AddResult(f, t, NameOf("TxSpires", i), 2040, row_top[i]);
    w.TxLongCu[i] = AddResult(f, t, NameOf("TxLongCu", i), 3000, row_top[i]);
    w.TxResCu[i] = AddResult(f, t, NameOf("TxResCu", i), 3960, row_top[i]);
    w.TxTrueVolts[i] = AddResult(f, t, NameOf("TxTrueVolts", i), 4920, row_top[i]);
    w.TxTotCu[i] = AddResult(f, t, NameOf("TxTotCu", i), 5880, row_top[i]);
    w.TxSpLayer[i] = AddResult(f, t, NameOf("TxSpLayer", i), 6840, row_top[i]);
  }
  // The real primary voltage is the figure the user watches most.
  QLineEdit* primary = w.TxTrueVolts[0];
  primary->setFont(FieldFont(true));
  QPalette palette = primary->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, kLightGreen);
    palette.setColor(group, QPalette::Text, kPrimaryVoltsText);
  }
  primary->setPalette(palette);
  AddLabel(f, t, "Label16", "Pertes Cu (W@60°C)", {240, 3600, 2130, 240});
  w.LbPertesCu = AddLabel(f, t, "LbPertesCu", "0", {2520, 3600, 615, 255});
}

void BuildIron(FormWidgets& w, const Twips& t) {
  FramePanel* f = w.FmFe;
  AddLabel(f, t, "Label20", "Noyau", {240, 360, 690, 240});
  w.LbNoyauMin = AddLabel(f, t, "LbNoyauMin", "?", {1200, 360, 135, 240});
  w.LbNoyau = AddLabel(f, t, "LbNoyau", "?", {2400, 360, 135, 240});
  w.TxNoyau = AddField(f, t, "TxNoyau", "", {5640, 480, 855, 285});
  w.TxNoyau->hide();
  AddLabel(f, t, "Label22", "Fe (Kg)", {240, 720, 765, 240});
  w.LbFeMasse = AddLabel(f, t, "LbFeMasse", "?", {1200, 720, 615, 255});
  AddLabel(f, t, "Label21", "Fe (Cm²)", {240, 960, 900, 240});
  w.LbFeSect = AddLabel(f, t, "LbFeSect", "?", {1200, 960, 735, 255});
  const auto add_button = [&](const char* name, const char* caption, QRect place) {
    auto* button = new QPushButton(caption, f);
    button->setObjectName(name);
    button->setGeometry(t.ToPixels(place.x(), place.y(), place.width(), place.height()));
    button->setFont(FieldFont());
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
  };
  w.BtPlusT = add_button("BtPlusT", "+", {1920, 1320, 255, 255});
  w.BtMoinsT = add_button("BtMoinsT", "-", {1920, 1560, 255, 255});
  AddLabel(f, t, "Label19", "T réèl", {240, 1440, 855, 255});
  w.LbTrueTesla = AddLabel(f, t, "LbTrueTesla", "?", {1200, 1440, 735, 255});
  AddLabel(f, t, "Label24", "Pertes Fe (W)", {240, 2400, 1440, 240});
  w.LbTrueFeLoss = AddLabel(f, t, "LbTrueFeLoss", "?", {1920, 2400, 975, 255});
  w.LstCore = new QListWidget(f);
  w.LstCore->setObjectName("LstCore");
  w.LstCore->setGeometry(t.ToPixels(3240, 360, 1215, 2205));
  w.LstCore->setFont(FieldFont());
  w.LstCore->setSelectionMode(QAbstractItemView::SingleSelection);
  w.LstCore->setSortingEnabled(false);
  // One line of text each, in one font: the list sizes one entry instead of the whole catalogue
  // each time it is filled or scrolled to the core in use.
  w.LstCore->setUniformItemSizes(true);
  w.LstCore->setFocusPolicy(Qt::StrongFocus);
}

void BuildOverall(FormWidgets& w, const Twips& t) {
  FramePanel* f = w.Frame1;
  SetColour(f, QPalette::WindowText, kOverallBlue);
  AddLabel(f, t, "Label6", "Fe (Kg)", {120, 720, 765, 240});
  w.LbKgFe = AddLabel(f, t, "LbKgFe", "0", {1200, 720, 135, 240});
  AddLabel(f, t, "Label7", "Fe (Cm²)", {120, 960, 900, 240});
  w.LbSectFe = AddLabel(f, t, "LbSectFe", "0", {1200, 960, 135, 240});
  AddLabel(f, t, "Label4", "Watts fournis", {120, 1440, 1350, 240});
  w.LbWatts = AddLabel(f, t, "LbWatts", "0", {2160, 1440, 735, 240}, Qt::AlignRight);
  AddLabel(f, t, "Label26", "Watts consommés", {120, 1680, 1905, 240});
  w.LbWattsTot = AddLabel(f, t, "LbWattsTot", "0", {2040, 1680, 855, 255}, Qt::AlignRight);
  AddLabel(f, t, "Label27", "Rendement", {120, 1920, 1200, 240});
  w.Lbn = AddLabel(f, t, "Lbn", "0", {2040, 1920, 855, 255}, Qt::AlignRight);
}

constexpr const char* kCountsOnEnter =
    "\nLa valeur compte à l'appui sur Entrée ou en quittant le champ.";

QString PerWinding(const char* what, int i) {
  return QString(what).arg(i == 0 ? QString("du primaire") : QString("du secondaire %1").arg(i));
}

// What every input, result and button is, in which unit, and for inputs when a value counts.
void SetToolTips(FormWidgets& w) {
  const auto input = [](QWidget* widget, const QString& what) {
    widget->setToolTip(what + kCountsOnEnter);
  };
  input(w.TxFreq, "Fréquence du secteur, en hertz (Hz).");
  input(w.TxDCourant, "Densité de courant admise dans le fil, en ampères par mm² (A/mm²).");
  for (int i = 0; i < kRows; ++i) {
    input(w.TxVolts[i], PerWinding("Tension %1, en volts (V).", i));
    input(w.TxAmps[i], PerWinding("Courant %1, en ampères (A).", i));
    input(w.TxDiaCu[i],
          PerWinding("Diamètre du fil %1, en mm. Calculé, ou imposé en le tapant (rouge) ; "
                     "vider le champ le rend au calcul.",
                     i));
    w.LbDiaMin[i]->setToolTip(
        PerWinding("Diamètre du fil %1 calculé d'après la densité de courant, en mm.", i));
    w.TxSpires[i]->setToolTip(PerWinding("Nombre de spires %1.", i));
    w.TxLongCu[i]->setToolTip(PerWinding("Longueur du fil %1, en mètres (m).", i));
    w.TxResCu[i]->setToolTip(PerWinding("Résistance du bobinage %1, en ohms (Ω).", i));
    w.TxTrueVolts[i]->setToolTip(PerWinding("Tension réelle en charge %1, en volts (V).", i));
    w.TxTotCu[i]->setToolTip(
        PerWinding("Hauteur occupée par le bobinage %1 dans la fenêtre, en mm.", i));
    w.TxSpLayer[i]->setToolTip(PerWinding("Nombre de spires par couche %1.", i));
  }
  w.TxRem->setToolTip(
      "Remarques libres sur le projet, enregistrées avec lui ; chaque frappe compte aussitôt.");
  w.LbAmpsPri->setToolTip("Courant du primaire, en ampères (A).");
  w.LbSpVolt->setToolTip("Nombre de spires par volt.");
  w.LbTotCu->setToolTip(
      "Hauteur de fenêtre occupée par tous les bobinages, en mm (rouge : elle dépasse la "
      "hauteur utile).");
  w.LbSectCuMax->setToolTip("Hauteur utile de la fenêtre du noyau, en mm.");
  w.LbPertesCu->setToolTip("Pertes dans le cuivre de tous les bobinages à 60 °C, en watts (W).");
  w.LbNoyauMin->setToolTip("Le noyau le plus léger dont la section de fer suffit.");
  w.LbNoyau->setToolTip(
      "Le noyau employé : choisi automatiquement (noir) ou imposé dans la liste (rouge). "
      "Clic droit : choix automatique du noyau.");
  w.LbFeMasse->setToolTip("Masse de fer du noyau employé, en kilogrammes (kg).");
  w.LbFeSect->setToolTip("Section de fer du noyau employé, en cm².");
  w.LbTrueTesla->setToolTip("Induction employée, en teslas (T) (rouge : 1,7 T ou plus).");
  w.LbTrueFeLoss->setToolTip("Pertes dans le fer du noyau, en watts (W).");
  w.BtPlusT->setToolTip("Augmente l'induction de 0,05 tesla (T).");
  w.BtMoinsT->setToolTip("Diminue l'induction de 0,05 tesla (T).");
  w.LstCore->setToolTip(
      "Noyaux du catalogue, du plus léger au plus lourd. Double-clic ou Entrée : impose le "
      "noyau ; clic droit : choix automatique du noyau.");
  w.LbKgFe->setToolTip("Masse de fer que demande la puissance, en kilogrammes (kg).");
  w.LbSectFe->setToolTip("Section de fer que demande la puissance, en cm².");
  w.LbWatts->setToolTip("Puissance fournie par les secondaires, en watts (W).");
  w.LbWattsTot->setToolTip("Puissance consommée au secteur, pertes comprises, en watts (W).");
  w.Lbn->setToolTip("Rendement : puissance fournie sur puissance consommée, en %.");
}

}  // namespace

QFont CaptionFont(double point_size, bool italic) {
  QFont font = SansFont(point_size);
  font.setBold(true);
  font.setItalic(italic);
  return font;
}

QFont FieldFont(bool bold) {
  QFont font = SansFont(kFieldPoints);
  font.setBold(bold);
  return font;
}

FramePanel::FramePanel(QWidget* parent, const QString& caption)
    : QWidget(parent), caption_(caption), caption_font_(CaptionFont(kCaptionPoints, true)) {
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
  // What the frame holds inherits the fields' font; only the caption is drawn in its own.
  setFont(FieldFont());
}

void FramePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(caption_font_);
  const QFontMetrics metrics(caption_font_);
  // The border runs through the middle of the caption, as on an etched group frame.
  const int top = metrics.height() / 2;
  const QRect box = rect().adjusted(0, top, -2, -2);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(box);
  painter.setPen(QColor(255, 255, 255));
  painter.drawRect(box.translated(1, 1));
  if (caption_.isEmpty()) return;
  const int left = 8;
  const QRect caption_box(left, 0, metrics.horizontalAdvance(caption_) + 4, metrics.height());
  painter.fillRect(caption_box, palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption_box.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, caption_);
}

void FitRemarksWrap(QPlainTextEdit* box, const QString& text) {
  constexpr qsizetype kLongestWord = 400;
  qsizetype run = 0;
  bool long_word = false;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongestWord) {
      long_word = true;
      break;
    }
  }
  const QTextOption::WrapMode mode =
      long_word ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (box->wordWrapMode() != mode) box->setWordWrapMode(mode);
}

FormWidgets BuildFormWidgets(QWidget* client, const Twips& t) {
  FormWidgets w;
  w.Client = client;
  client->setFixedSize(t.ToPixels(kClientWidthTwips), t.ToPixels(kClientHeightTwips));
  client->setAutoFillBackground(true);
  SetColour(client, QPalette::Window, kDarkBlue);
  client->setFont(FieldFont());

  const PerRow<int> row_top = {1680, 2160, 2520, 2880, 3240};
  w.FmSpecifs =
      AddFrame(client, t, "FmSpécifs", "Spécifications", {120, 120, 3255, 6855}, kLightGreen);
  w.FmCu = AddFrame(client, t, "FmCu", "Cuivre", {3480, 120, 7935, 3975}, kLightOrange);
  w.FmFe = AddFrame(client, t, "FmFe", "Fer", {3480, 4200, 4695, 2775},
                    QApplication::palette().color(QPalette::Window));
  w.Frame1 = AddFrame(client, t, "Frame1", "Général", {8280, 4200, 3135, 2775}, kLightCyan);
  // Text drawn on the frames is black unless a frame says otherwise.
  for (FramePanel* frame : {w.FmSpecifs, w.FmCu, w.FmFe}) {
    SetColour(frame, QPalette::WindowText, kBlackText);
  }

  BuildSpecifications(w, t, row_top);
  BuildCopper(w, t, row_top);
  BuildIron(w, t);
  BuildOverall(w, t);

  SetToolTips(w);

  w.Growing = {w.LbNoyauMin, w.LbNoyau, w.LbKgFe, w.LbSectFe, w.LbWatts};
  for (QLabel* label : w.Growing) label->setWordWrap(false);

  w.TabOrder = {w.TxFreq,     w.TxVolts[0], w.TxVolts[1], w.TxAmps[1],  w.TxVolts[2],
                w.TxAmps[2],  w.TxVolts[3], w.TxAmps[3],  w.TxVolts[4], w.TxAmps[4],
                w.TxDCourant, w.TxDiaCu[0], w.TxDiaCu[1], w.TxDiaCu[2], w.TxDiaCu[3],
                w.TxDiaCu[4], w.BtMoinsT,   w.BtPlusT,    w.LstCore,    w.TxRem};
  // The window's focus chain is a ring: past TxRem only hidden or unfocusable widgets remain
  // before TxFreq comes round again.
  for (std::size_t i = 0; i + 1 < w.TabOrder.size(); ++i) {
    QWidget::setTabOrder(w.TabOrder[i], w.TabOrder[i + 1]);
  }
  return w;
}

}  // namespace kel::ui
