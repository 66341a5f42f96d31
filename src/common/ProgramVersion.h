#pragma once
// The version the About box shows and every run description records.
namespace quelvar {

inline constexpr char kProgramVersion[] = "1.00";

}  // namespace quelvar
