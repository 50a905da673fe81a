#pragma once
// The reference data of the engineering check, compiled in from data/: enamelled round copper
// wire sizes (IEC 60317-0-1), electrical steel grades (EN 10106) and their typical 50 Hz
// magnetisation curves.

#include <span>
#include <string_view>

namespace kel {

struct WireSize {
  double nominal_mm;  // copper diameter
  double grade1_mm;   // maximum overall diameter, grade 1 enamel
  double grade2_mm;   // the same, grade 2 (thicker) enamel
  double OverallMm(int grade) const { return grade == 2 ? grade2_mm : grade1_mm; }
};

struct SteelGrade {
  std::string_view name;  // "M400-50A"
  double loss_w_per_kg;   // guaranteed maximum at 1.5 T, 50 Hz
};

// One measured node of a magnetisation curve: the field and the polarisation J (B = J + μ0 H).
struct CurveNode {
  double h_a_per_m;
  double j_t;
};

struct CurveGrade {
  std::string_view name;  // "M400-50A"
  int first, count;       // its nodes in the table of nodes
};

// The curve the check uses for a steel grade: the grade's own, or the nearest one measured
// (approximated), M270-35A taking M270-50A's, M330-50A M400-50A's and M1000-65A M800-50A's.
struct SteelCurve {
  std::string_view grade;  // whose curve it is
  bool approximated = false;
  std::span<const CurveNode> nodes;  // from (0, 0), rising
};
SteelCurve CurveFor(std::string_view steel_grade);

// Every size, smallest first.
std::span<const WireSize> WireSizes();

// The smallest size whose nominal diameter is at least diameter_mm; null when the largest is
// still too thin. A diameter typed as 0,63 is held in single precision as 0.6300000548: it is
// compared at that precision, so it finds the 0.63 mm wire and not the next one.
const WireSize* WireFor(double diameter_mm);

// Every grade, lowest loss first.
std::span<const SteelGrade> SteelGrades();

// The grade of that name, without regard to case; null when there is none.
const SteelGrade* FindSteelGrade(std::string_view name);

}  // namespace kel
