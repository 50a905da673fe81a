#include "design/Chain.h"

#include <cmath>

#include "design/ChainMath.h"
#include "util/NumberText.h"

namespace kel {

namespace {

// The physics of the chain. Each constant keeps the type of the literal it names, so that every
// result stays the same to the last digit.

// Iron needed per watt: 70 W per kilogram of iron at the reference frequency.
constexpr double kWattsPerKgIron = 70.0;
// The frequency at which the iron rating and the iron-loss estimate hold, in Hz.
constexpr double kReferenceHz = 50;
// Density of the lamination iron, kg per dm³.
constexpr double kIronDensity = 7.65;
// The required section in cm² is this times the square of the edge (dm) of a cube holding the
// iron's volume: the proportions of an EI core.
constexpr double kSectionPerVolume = 30;
// A core of up to 1 % less than the required section is accepted.
constexpr double kSectionTolerance = 0.99;
// Induction from which the core is flagged as saturating, in tesla.
constexpr float kTeslaLimit = 1.7f;
// Iron loss at the reference frequency in W per kg: the induction in tesla plus this.
constexpr double kIronLossOffset = 1.6;
// 4.44 = 2π/√2: the EMF of a sine-wave flux per turn, hertz and weber.
constexpr double kSineEmfFactor = 4.44;
// Copper resistivity at 60 °C, 1.9 × 10⁻⁸ Ω·m; with the length in cm and the radius in mm the
// formula scales it by 1/10000.
constexpr double kCopperResistivity = 1.9;
// π as the resistance formula takes it.
constexpr double kPi = 3.14;
// √(4/π): the diameter of a round wire from the square root of its section.
constexpr double kDiameterPerRootSection = 1.13;
// Insulation of the wire across the window width: added to the diameter for the turn pitch, mm.
constexpr double kWireInsulationAcross = 0.04;
// Insulation of the wire in the height direction: added to the diameter per layer, mm.
constexpr double kWireInsulationPerLayer = 0.05;
// Height every winding adds whatever its turns, mm.
constexpr double kWindingAllowance = 0.15;
// Insulation between windings: 0.03 mm per 30 V of the winding's voltage.
constexpr double kInsulationPerStep = 0.03;
constexpr double kVoltsPerInsulationStep = 30.0;

// Causes of an input error, told under "Erreur de saisie".
constexpr const char* kCausePrimaryWithoutVolts =
    "Le primaire n'a pas de tension alors que des secondaires débitent.";
constexpr const char* kCauseZeroFrequency = "La fréquence est nulle.";
constexpr const char* kCauseZeroDensity = "La densité de courant est nulle.";
constexpr const char* kCauseNegativeDensity = "La densité de courant est négative.";
constexpr const char* kCauseNegativePower = "La puissance fournie est négative.";
constexpr const char* kCauseZeroInduction = "L'induction est nulle.";
constexpr const char* kCauseNoPowerDrawn = "La puissance consommée est nulle.";
constexpr const char* kCauseCatalogueValue =
    "Une valeur du noyau manque dans le catalogue ou n'est pas un nombre.";

std::string WindingName(int i) {
  return i == 0 ? "primaire" : "secondaire " + std::to_string(i);
}

std::string CauseOf(const std::exception& error) {
  if (const auto* chain = dynamic_cast<const ChainError*>(&error)) return chain->Cause();
  if (dynamic_cast<const FieldError*>(&error)) return kCauseCatalogueValue;
  return kCauseOutOfRange;
}

}  // namespace

std::string Chain::Format(double value, const char* mask) const {
  // An overflow is an input error like a division by zero, never a text in a field.
  return FormatMask(Checked(value), mask, env_.decimal_separator);
}

void Chain::ComputeW() {
  s_.Outcome = ChainOutcome::NoPower;
  try {
    for (int i = 0; i < kRows; ++i) {
      s_.SavedAmpsText[i] = "*";
      s_.SavedVoltsText[i] = "*";
      s_.SavedDiaText[i] = "*";
    }
    s_.SavedDCourantText = "*";
    s_.SavedFreqText = "*";

    float watts = 0;
    for (int i = 0; i < kRows; ++i) {
      s_.Volts[i] = Single(ReadNumber(s_.TxVolts[i]));
      s_.Amps[i] = Single(ReadNumber(s_.TxAmps[i]));
      watts = Single(static_cast<double>(watts) + static_cast<double>(s_.Volts[i]) * s_.Amps[i]);
    }
    if (watts == 0) return;

    s_.Amps[0] = Single(Divide(watts, ReadNumber(s_.TxVolts[0]), kCausePrimaryWithoutVolts));
    s_.LbWatts = Format(watts, "###.##");
    s_.LbAmpsPri = Format(s_.Amps[0], "#0.##");

    ComputeKgFe(watts);

    // A "?" in the usable height reads 0, so a window without a chosen core counts as overfull.
    const double usable = ReadNumber(s_.LbSectCuMax);
    const double used = ReadNumber(s_.LbTotCu);
    if (usable < used) {
      env_.platform.Beep();
      s_.LbTotCuColour = TextColour::Red;
    } else {
      s_.LbTotCuColour = TextColour::Black;
    }

    s_.LbWattsTot = Format(
        ReadNumber(s_.LbPertesCu) + ReadNumber(s_.LbWatts) + ReadNumber(s_.LbTrueFeLoss), "###.##");
    const double efficiency =
        Divide(ReadNumber(s_.LbWatts), ReadNumber(s_.LbWattsTot), kCauseNoPowerDrawn);
    s_.Lbn = Format(efficiency * 100, "##0") + "%";

    s_.Outcome = s_.Core ? ChainOutcome::Ran : ChainOutcome::NoCore;
    s_.Modified = true;
    if (env_.update_title) env_.update_title(true);
  } catch (const ProgramEnded&) {
    throw;
  } catch (const std::exception& error) {
    s_.Outcome = ChainOutcome::InputError;
    env_.platform.MessageBoxWithCause(kInputErrorMessage, CauseOf(error), MsgButtons::Ok,
                                      MsgIcon::None, "");
  }
}

void Chain::ComputeKgFe(float watts) {
  float mass = Single(watts / kWattsPerKgIron);
  mass = Single(Divide(mass, ReadNumber(s_.TxFreq), kCauseZeroFrequency) * kReferenceHz);
  s_.LbKgFe = Format(mass, "#0.##");
  const float volume = Single(mass / kIronDensity);
  ComputeCmFe(volume);
}

void Chain::ComputeCmFe(float volume) {
  // The cube root of a negative volume is no number; say why before it fails.
  if (volume < 0) throw ChainError("negative volume", kCauseNegativePower);
  const float side = Single(std::pow(static_cast<double>(volume), 1.0 / 3.0));
  const float section = Single(static_cast<double>(side) * side * kSectionPerVolume);
  s_.LbSectFe = Format(section, "#0.##");
  const float chosen = SelectCore();
  if (chosen != 0) {
    ComputeTurns(chosen);
    ComputeLen(chosen);
  }
}

void Chain::ComputeWWithCore(const CoreRow& row) {
  imposed_ = &row;
  struct Release {
    const CoreRow*& imposed;
    ~Release() { imposed = nullptr; }
  } release{imposed_};
  ComputeW();
}

void Chain::ResetCore() {
  s_.LbNoyau = "?";
  s_.LbFeSect = "?";
  s_.LbFeMasse = "?";
  s_.LbSectCuMax = "?";
  s_.LbTrueFeLoss = "?";
  s_.TeslaMax = kTeslaLimit;
}

float Chain::SelectCore() {
  s_.Core.reset();
  if (imposed_ != nullptr) {
    ResetCore();
    float section = 0;
    SelectFrom(*imposed_, section);
    return section;
  }
  CatalogueSession& catalogue = env_.catalogue;
  switch (OpenCatalogue(catalogue, env_.platform, env_.program_folder)) {
    case OpenOutcome::NoPath:
    case OpenOutcome::Failed:
      return 0;
    case OpenOutcome::Opened:
      break;
  }
  // Whatever happens below, this run's handle is released at its end.
  struct CloseAtEnd {
    CatalogueSession& session;
    ~CloseAtEnd() { CloseCatalogue(session); }
  } close_at_end{catalogue};

  if (env_.remember_catalogue_path) env_.remember_catalogue_path(catalogue.DataBasePath);
  ResetCore();

  std::unique_ptr<Recordset> lightest;
  const std::string automatic = QueryLightestCore(ReadNumber(s_.LbSectFe) * kSectionTolerance);
  if (OpenRecordset(catalogue.CatalogueDb.get(), lightest, automatic, env_.platform) == 0 &&
      !lightest->AtEnd()) {
    s_.LbNoyauMin = FieldText(lightest->Field("Ref"), env_.decimal_separator);
  }

  const std::string second = (!s_.TxNoyau.empty() && s_.CoreForced)
                                 ? QueryCoreByRef(s_.TxNoyau)
                                 : QueryLightestCore(ReadNumber(s_.LbSectFe) * kSectionTolerance);
  std::unique_ptr<Recordset> chosen;
  // Without an imposed core the second query is the first one again, on a catalogue opened
  // read-only for this run alone: the rows it would give are those the first one gave, still
  // positioned on the first. It is run again only when the first one failed, so that a failure
  // is told as often as before.
  if (second == automatic && lightest) {
    chosen = std::move(lightest);
  } else {
    lightest.reset();
    if (OpenRecordset(catalogue.CatalogueDb.get(), chosen, second, env_.platform) != 0) {
      return 0;
    }
  }
  float section = 0;
  if (chosen && !chosen->AtEnd()) SelectFrom(ReadCoreRow(*chosen), section);
  return section;
}

void Chain::SelectFrom(const CoreRow& row, float& section) {
  const char sep = env_.decimal_separator;
  section = Single(FieldNumber(row[CoreColumn::SectionFer]));
  s_.LbNoyau = FieldText(row[CoreColumn::Ref], sep);
  s_.TxNoyau = s_.LbNoyau;
  s_.LbFeSect = FieldText(row[CoreColumn::SectionFer], sep);
  s_.LbFeMasse = FieldText(row[CoreColumn::MasseFer], sep);
  s_.WindowWidth = Single(FieldNumber(row[CoreColumn::LargCu]));
  s_.LbSectCuMax = Format(FieldNumber(row[CoreColumn::hautcu]), "##.#");
  s_.MeanTurnLength = Single(FieldNumber(row[CoreColumn::longspire]));
  s_.Core = row.Record();

  s_.LbTrueTesla = Format(ReadNumber(s_.TxTesla), "#0.00");
  if (Single(ReadNumber(s_.LbTrueTesla)) >= s_.TeslaMax) {
    env_.platform.Beep();
    s_.LbTrueTeslaColour = TextColour::Red;
  } else {
    s_.LbTrueTeslaColour = TextColour::Black;
  }

  const double mass = ReadNumber(s_.LbFeMasse);
  const double induction = ReadNumber(s_.LbTrueTesla);
  s_.LbTrueFeLoss = Format(
      mass * (induction + kIronLossOffset) * Divide(kReferenceHz, ReadNumber(s_.TxFreq)), "#0.#");
}

void Chain::ComputeTurns(float section) {
  const double f = ReadNumber(s_.TxFreq);
  const double b = ReadNumber(s_.LbTrueTesla);
  s_.SpVolt = Single(Divide(1e4, f * kSineEmfFactor * b * section, kCauseZeroInduction));
  s_.LbSpVolt = Format(s_.SpVolt, "#0.00");
  for (int i = 0; i < kRows; ++i) {
    s_.Spires[i] = Single(static_cast<double>(s_.SpVolt) * ReadNumber(s_.TxVolts[i]));
    s_.TxSpires[i] = Format(s_.Spires[i], "####");
  }
}

void Chain::ComputeLen(float /*section*/) {
  ComputeDia();
  float losses = 0;
  for (int i = 0; i < kRows; ++i) {
    // The turns as shown: a whole number without separator, so no normalisation is needed.
    const double turns = NumberValue(s_.TxSpires[i]);
    const float length = Single(turns * s_.MeanTurnLength);
    s_.TxLongCu[i] = Format(Single(length / 100.0), "###.#");
    float resistance = 0;
    if (length > 0 && s_.DiaCu[i] > 0) {
      const double radius = s_.DiaCu[i] / 2.0;
      resistance = Single(Divide(length * kCopperResistivity, radius * radius * kPi * 10000));
    }
    s_.TxResCu[i] = Format(resistance, "###.##");
    losses = Single(losses + static_cast<double>(s_.Amps[i]) * s_.Amps[i] * resistance);
    const double volts = ReadNumber(s_.TxVolts[i]);
    const double drop = static_cast<double>(resistance) * s_.Amps[i];
    // The primary draws the drop from the mains; a secondary loses it.
    const float under_load = Single(i == 0 ? volts + drop : volts - drop);
    s_.TxTrueVolts[i] = Format(under_load, "###.#");
  }
  s_.LbPertesCu = Format(losses, "###.#");
  ComputeTotCu();
}

void Chain::ComputeDia() {
  for (int i = 0; i < kRows; ++i) {
    const double density = ReadNumber(s_.TxDCourant);
    const double quotient = Divide(s_.Amps[i], density, kCauseZeroDensity);
    // The root of a negative quotient is no number; say which value is negative.
    if (quotient < 0) {
      throw ChainError("negative root", density < 0
                                            ? kCauseNegativeDensity
                                            : "Le courant du " + WindingName(i) + " est négatif.");
    }
    const double computed = Checked(std::sqrt(quotient)) * kDiameterPerRootSection;
    s_.LbDiaMin[i] = Format(computed, "0.##");
    if (s_.DiaForced[i]) {
      s_.DiaCu[i] = Single(ReadNumber(s_.TxDiaCu[i]));
    } else {
      s_.DiaCu[i] = Single(computed);
      s_.TxDiaCu[i] = Format(s_.DiaCu[i], "0.##");
    }
    if (s_.DiaCu[i] > 0) {
      s_.SpLayer[i] = Single(s_.WindowWidth / (s_.DiaCu[i] + kWireInsulationAcross));
      s_.TxSpLayer[i] = Format(s_.SpLayer[i], "####");
    } else {
      s_.SpLayer[i] = 0;
      s_.TxSpLayer[i].clear();
    }
  }
}

void Chain::ComputeTotCu() {
  float total = 0;
  for (int i = 0; i < kRows; ++i) {
    if (!(s_.Spires[i] > 0)) continue;
    if (s_.SpLayer[i] == 0) throw ChainError("no turn per layer", NoLayerCause(i));
    // A full last layer still starts a new one.
    const float layers = Single(std::floor(Divide(s_.Spires[i], s_.SpLayer[i])) + 1);
    const float height =
        Single((s_.DiaCu[i] + kWireInsulationPerLayer) * layers + kWindingAllowance +
               kInsulationPerStep * s_.Volts[i] / kVoltsPerInsulationStep);
    s_.TxTotCu[i] = Format(height, "##.#");
    total = Single(static_cast<double>(total) + height);
  }
  s_.LbTotCu = Format(total, "##.#");
}

std::string Chain::NoLayerCause(int i) const {
  const std::string winding = WindingName(i);
  const bool no_wire = !(s_.DiaCu[i] > 0);
  if (no_wire && s_.DiaForced[i]) {
    return "Le diamètre imposé au " + winding + " n'est pas un nombre positif.";
  }
  // A computed diameter is 0 only for a winding that carries no current.
  if (no_wire && i > 0) return "Le " + winding + " a une tension mais pas de courant.";
  if (!(s_.WindowWidth > 0)) return "Le noyau n'a pas de largeur de bobinage dans le catalogue.";
  return kCauseOutOfRange;
}

std::string SteppedInduction(const std::string& tesla_text, double step, char decimal_separator) {
  return FormatMask(ReadNumber(tesla_text) + step, "#.##", decimal_separator);
}

}  // namespace kel
