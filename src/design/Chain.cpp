#include "design/Chain.h"

#include <cmath>

#include "design/ChainMath.h"
#include "util/NumberText.h"

namespace kel {

std::string Chain::Format(double value, const char* mask) const {
  return FormatMask(value, mask, env_.decimal_separator);
}

void Chain::ComputeW() {
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

    s_.Amps[0] = Single(Divide(watts, ReadNumber(s_.TxVolts[0])));
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
    s_.Lbn = Format(Divide(ReadNumber(s_.LbWatts), ReadNumber(s_.LbWattsTot)) * 100, "##0") + "%";

    s_.Modified = true;
    if (env_.update_title) env_.update_title(true);
  } catch (const ProgramEnded&) {
    throw;
  } catch (const std::exception&) {
    env_.platform.MessageBox(kInputErrorMessage, MsgButtons::Ok, MsgIcon::None, "");
  }
}

void Chain::ComputeKgFe(float watts) {
  float mass = Single(watts / 70.0);
  mass = Single(Divide(mass, ReadNumber(s_.TxFreq)) * 50);
  s_.LbKgFe = Format(mass, "#0.##");
  const float volume = Single(mass / 7.65);
  ComputeCmFe(volume);
}

void Chain::ComputeCmFe(float volume) {
  const float side = Single(std::pow(static_cast<double>(volume), 1.0 / 3.0));
  const float section = Single(static_cast<double>(side) * side * 30);
  s_.LbSectFe = Format(section, "#0.##");
  const float chosen = SelectCore();
  if (chosen != 0) {
    ComputeTurns(chosen);
    ComputeLen(chosen);
  }
}

float Chain::SelectCore() {
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

  s_.LbNoyau = "?";
  s_.LbFeSect = "?";
  s_.LbFeMasse = "?";
  s_.LbSectCuMax = "?";
  s_.LbTrueFeLoss = "?";
  s_.TeslaMax = 1.7f;

  std::unique_ptr<Recordset> lightest;
  const std::string automatic = QueryLightestCore(ReadNumber(s_.LbSectFe) * 0.99);
  if (OpenRecordset(catalogue.CatalogueDb.get(), lightest, automatic, env_.platform) == 0 &&
      !lightest->AtEnd()) {
    s_.LbNoyauMin = FieldText(lightest->Field("Ref"), env_.decimal_separator);
  }
  lightest.reset();

  const std::string second = (!s_.TxNoyau.empty() && s_.CoreForced)
                                 ? QueryCoreByRef(s_.TxNoyau)
                                 : QueryLightestCore(ReadNumber(s_.LbSectFe) * 0.99);
  std::unique_ptr<Recordset> chosen;
  float section = 0;
  if (OpenRecordset(catalogue.CatalogueDb.get(), chosen, second, env_.platform) == 0 &&
      !chosen->AtEnd()) {
    SelectFrom(*chosen, section);
  }
  return section;
}

void Chain::SelectFrom(Recordset& row, float& section) {
  const char sep = env_.decimal_separator;
  section = Single(FieldNumber(row.Field("SectionFer")));
  s_.LbNoyau = FieldText(row.Field("Ref"), sep);
  s_.TxNoyau = s_.LbNoyau;
  s_.LbFeSect = FieldText(row.Field("SectionFer"), sep);
  s_.LbFeMasse = FieldText(row.Field("MasseFer"), sep);
  s_.WindowWidth = Single(FieldNumber(row.Field("LargCu")));
  s_.LbSectCuMax = Format(FieldNumber(row.Field("hautcu")), "##.#");
  s_.MeanTurnLength = Single(FieldNumber(row.Field("longspire")));

  s_.LbTrueTesla = Format(ReadNumber(s_.TxTesla), "#0.00");
  if (Single(ReadNumber(s_.LbTrueTesla)) >= s_.TeslaMax) {
    env_.platform.Beep();
    s_.LbTrueTeslaColour = TextColour::Red;
  } else {
    s_.LbTrueTeslaColour = TextColour::Black;
  }

  const double mass = ReadNumber(s_.LbFeMasse);
  const double induction = ReadNumber(s_.LbTrueTesla);
  s_.LbTrueFeLoss = Format(mass * (induction + 1.6) * Divide(50, ReadNumber(s_.TxFreq)), "#0.#");
}

void Chain::ComputeTurns(float section) {
  const double f = ReadNumber(s_.TxFreq);
  const double b = ReadNumber(s_.LbTrueTesla);
  s_.SpVolt = Single(Divide(1e4, f * 4.44 * b * section));
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
      resistance = Single(Divide(length * 1.9, radius * radius * 3.14 * 10000));
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
    const double computed = Checked(std::sqrt(Divide(s_.Amps[i], density))) * 1.13;
    s_.LbDiaMin[i] = Format(computed, "0.##");
    if (s_.DiaForced[i]) {
      s_.DiaCu[i] = Single(ReadNumber(s_.TxDiaCu[i]));
    } else {
      s_.DiaCu[i] = Single(computed);
      s_.TxDiaCu[i] = Format(s_.DiaCu[i], "0.##");
    }
    if (s_.DiaCu[i] > 0) {
      s_.SpLayer[i] = Single(s_.WindowWidth / (s_.DiaCu[i] + 0.04));
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
    // A full last layer still starts a new one.
    const float layers = Single(std::floor(Divide(s_.Spires[i], s_.SpLayer[i])) + 1);
    const float height = Single((s_.DiaCu[i] + 0.05) * layers + 0.15 + 0.03 * s_.Volts[i] / 30.0);
    s_.TxTotCu[i] = Format(height, "##.#");
    total = Single(static_cast<double>(total) + height);
  }
  s_.LbTotCu = Format(total, "##.#");
}

std::string SteppedInduction(const std::string& tesla_text, double step, char decimal_separator) {
  return FormatMask(ReadNumber(tesla_text) + step, "#.##", decimal_separator);
}

}  // namespace kel
