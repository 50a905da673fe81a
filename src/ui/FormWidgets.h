#pragma once
// The widgets of the main window, built at their fixed places. Members carry the control names
// the rest of the program uses; every widget's objectName is that name too, with "_i" for the
// member i of a per-winding array ("TxVolts_2").

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

#include "design/DesignSheet.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kel::ui {

// Window measures are kept in twips, as the layout was drawn; this turns them into pixels at the
// screen's logical resolution (15 twips a pixel at 96 dots per inch).
class Twips {
 public:
  explicit Twips(double logical_dpi) : dpi_(logical_dpi) {}
  int ToPixels(int twips) const;
  QRect ToPixels(int left, int top, int width, int height) const;

 private:
  double dpi_;
};

// The client area of the window, in twips.
inline constexpr int kClientWidthTwips = 11535;
inline constexpr int kClientHeightTwips = 7110;

inline const QColor kRedText(255, 0, 0);
inline const QColor kBlackText(0, 0, 0);
// Behind a field whose text is read only in part.
inline const QColor kPartlyReadBackground(255, 214, 153);

// A frame as the layout shows it: a coloured panel with an etched border and its caption cut
// into the top edge. Its children are placed relative to its outer top-left corner.
class FramePanel : public QWidget {
 public:
  FramePanel(QWidget* parent, const QString& caption);
  const QString& Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  QFont caption_font_;
};

struct FormWidgets {
  QWidget* Client = nullptr;

  FramePanel* FmSpecifs = nullptr;
  FramePanel* FmCu = nullptr;
  FramePanel* FmFe = nullptr;
  FramePanel* Frame1 = nullptr;

  // The user's specification of the transformer.
  QLineEdit* TxFreq = nullptr;
  QLineEdit* TxTesla = nullptr;
  QLabel* Label14 = nullptr;
  PerRow<QLineEdit*> TxVolts{};
  PerRow<QLineEdit*> TxAmps{};
  QLabel* LbAmpsPri = nullptr;
  QPlainTextEdit* TxRem = nullptr;

  // Copper.
  QLineEdit* TxDCourant = nullptr;
  QLabel* LbSpVolt = nullptr;
  QLabel* LbTotCu = nullptr;
  QLabel* LbSectCuMax = nullptr;
  PerRow<QLabel*> LbDiaMin{};
  PerRow<QLineEdit*> TxDiaCu{};
  PerRow<QLineEdit*> TxSpires{};
  PerRow<QLineEdit*> TxLongCu{};
  PerRow<QLineEdit*> TxResCu{};
  PerRow<QLineEdit*> TxTrueVolts{};
  PerRow<QLineEdit*> TxTotCu{};
  PerRow<QLineEdit*> TxSpLayer{};
  QLabel* LbPertesCu = nullptr;

  // Iron.
  QLabel* LbNoyauMin = nullptr;
  QLabel* LbNoyau = nullptr;
  QLineEdit* TxNoyau = nullptr;
  QLabel* LbFeMasse = nullptr;
  QLabel* LbFeSect = nullptr;
  QPushButton* BtPlusT = nullptr;
  QPushButton* BtMoinsT = nullptr;
  QLabel* LbTrueTesla = nullptr;
  QLabel* LbTrueFeLoss = nullptr;
  QListWidget* LstCore = nullptr;

  // Overall.
  QLabel* LbKgFe = nullptr;
  QLabel* LbSectFe = nullptr;
  QLabel* LbWatts = nullptr;
  QLabel* LbWattsTot = nullptr;
  QLabel* Lbn = nullptr;

  // Labels that widen to their text, keeping their left and top.
  std::vector<QLabel*> Growing;
  // The keyboard's path through the window, from the field that has the focus at start-up.
  std::vector<QWidget*> TabOrder;
};

// The window's small sans-serif fonts: a face whose metrics fit the fixed layout where installed,
// else a condensed or ordinary sans-serif.
QFont CaptionFont(double point_size, bool italic = false);
QFont FieldFont(bool bold = false);

// Builds every frame and control on client (whose size and colour it sets) with the initial
// texts and captions.
FormWidgets BuildFormWidgets(QWidget* client, const Twips& twips);

// Sets how the remarks box breaks lines for text: at blanks, and anywhere in a word wider than
// the box. A run of hundreds of characters without a blank is broken anywhere at once: looking
// for a word boundary in it made each line cost the whole run (a 100 kB word, seconds).
void FitRemarksWrap(QPlainTextEdit* box, const QString& text);

}  // namespace kel::ui
