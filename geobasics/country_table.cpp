// Countries and territories sorted by name ignoring case.
#include "geobasics/Tyx_geobasics.h"
#include "geobasics/datum_table.h"

namespace tyx {

namespace {

using detail::ShortAscii;

constexpr TCountryData Row(const char* Name, const char* Fips10, const char* Iso2, const char* Iso3, double CLat,
                           double CLong, const char* Capital, double CapLat, double CapLong, int32_t CapAlt)
{
    return TCountryData{ShortAscii<40>(Name), ShortAscii<2>(Fips10), ShortAscii<2>(Iso2), ShortAscii<3>(Iso3),
                        CLat, CLong, ShortAscii<31>(Capital), CapLat, CapLong, CapAlt};
}

} // namespace

constinit const TCountryData CountryData[CountryCount] = {
    Row("Afghanistan", "af", "af", "afg", 33, 65, "Kabul", 34.5309, 69.1368, 1807),
};

} // namespace tyx
