// The 271 geodetic datums, numbered from 1 in this order (the numbers are part of the interface).
// Each row: name, region, ellipsoid, then the shift into WGS 1984: DeltaX, DeltaY, DeltaZ (m),
// Scale (ppm), RotX, RotY, RotZ (arc seconds). Most rows are three-parameter shifts.
#include "geobasics/datum_table.h"

namespace tyx {

namespace {

using detail::ShortAscii;

constexpr TDatumData Row(const char* Name, const char* Region, TGeoEllipsoid Ellipsoid, double DX, double DY,
                         double DZ, double Scale = 0, double RX = 0, double RY = 0, double RZ = 0)
{
    return TDatumData{ShortAscii<33>(Name), ShortAscii<35>(Region), Ellipsoid, DX, DY, DZ, Scale, RX, RY, RZ};
}

constexpr TDatumData Datums[DatumCount] = {
    Row("ACCRA", "Ghana", gelWarOffice, -199, 32, 322), // 1
    Row("ADINDAN", "Burkina Faso", gelClrk80, -118, -14, 218), // 2
    Row("ADINDAN", "Cameroon", gelClrk80, -134, -2, 210), // 3
    Row("ADINDAN", "Ethiopa", gelClrk80, -165, -11, 206), // 4
    Row("ADINDAN", "Mali", gelClrk80, -123, -20, 220), // 5
    Row("ADINDAN", "Mean", gelClrk80, -166, -15, 204), // 6
    Row("ADINDAN", "Senegal", gelClrk80, -128, -18, 224), // 7
    Row("ADINDAN", "Sudan", gelClrk80, -161, -14, 205), // 8
    Row("ANTIGUA ISLAND ASTRO 1943", "Antigua", gelClrk80, -270, 13, 62), // 9
    Row("AIN EL ABD 1970", "Bahrain", gelInt24, -150, -250, -1), // 10
    Row("AIN EL ABD 1970", "Saudi Arabia", gelInt24, -143, -236, 7), // 11
    Row("AMERICAN SAMOA 1962", "Samoa Islands", gelClrk66, -115, 118, 426), // 12
    Row("RD, AMERSFOORT", "Netherlands", gelBess41, 565, 49.9, 465.8, 4.08, -0.409, 0.36, -1.869), // 13
    Row("ANNA 1 ASTRO 1965", "Cocos Islands", gelAuNat65, -491, -22, 435), // 14
    Row("ARC 1950", "Southern Africa", gelClrk80, -143, -90, -294), // 15
    Row("ARC 1950", "Botswana", gelClrk80, -138, -105, -289), // 16
    Row("ARC 1950", "Burundi", gelClrk80, -153, -5, -292), // 17
    Row("ARC 1950", "Lesotho", gelClrk80, -125, -108, -295), // 18
    Row("ARC 1950", "Malawi", gelClrk80, -161, -73, -317), // 19
    Row("ARC 1950", "Swaziland", gelClrk80, -134, -105, -295), // 20
    Row("ARC 1950", "Zaire", gelClrk80, -169, -19, -278), // 21
    Row("ARC 1950", "Zambia", gelClrk80, -147, -74, -283), // 22
    Row("ARC 1950", "Zimbabwe", gelClrk80, -111.16, -186.64, -301.34, 1.776, -4.023, -2.838, 4.899), // 23
    Row("ARC 1960", "Kenya", gelClrk80, -62.44, -209.95, 17.83, 7.382, -6.7857, 7.66, 7.2059), // 24
    Row("ARC 1960", "Tanzania", gelClrk80, -175, -23, -303), // 25
    Row("ASCENSION ISLAND 1958", "Ascension", gelInt24, -205, 107, 53), // 26
    Row("MONTSERRAT IS. ASTRO 1958", "Montserrat", gelClrk80, 174, 359, 365), // 27
    Row("ASTRO STATION 1952", "Marcus Islands", gelInt24, 124, -234, -25), // 28
    Row("ASTRO BACON E 1845", "Iwo Jima", gelInt24, 145, 75, -272), // 29
    Row("AUSTRALIAN GEODETIC 1966", "Australia", gelAuNat65, -133, -48, 148), // 30
    Row("AUSTRALIAN GEODETIC 1984", "Australia", gelAuNat65, -116, -50.47, 141.69, 0.0983, 0.23, 0.39, 0.344), // 31
    Row("DJAKARTA", "Indonesia", gelBess41, -377, 681, -50), // 32
    Row("BEKAA BASE SOUTH END", "Lebanon", gelClrk80IGN, -465.05, 440.83, 41.4, 15.289, -3.88771, -11.3482, -27.4139), // 33
    Row("BERMUDA 1957", "Bermuda", gelClrk66, -73, 213, 296), // 34
    Row("BISSAU", "Guinea Bissau", gelInt24, -173, 253, 27), // 35
    Row("BOGOTA OBSERVATORY", "Colombia", gelInt24, 307, 304, -318), // 36
    Row("BERNE (1898),", "Switzerland", gelBess41, 660.077, 13.551, 369.344, 5.66, -0.805, -0.578, -0.952), // 37
    Row("BUKIT RIMPAH", "Indonesia", gelBess41, -384, 664, -48), // 38
    Row("CAPE CANAVERAL", "Florida & Bahamas", gelClrk66, -2, 151, 181), // 39
    Row("CAMPO INCHAUSPE 1969", "Argentina", gelInt24, -148, 136, 90), // 40
    Row("CANTON ASTRO 1966", "Phoenix Islands", gelInt24, 298, -304, -375), // 41
    Row("CAPE", "South Africa", gelClrk80, -136, -108, -292), // 42
    Row("CAMP AREA ASTRO", "Antarctica", gelInt24, -104, -129, 239), // 43
    Row("S-JTSK", "Czech Republic", gelBess41, 570.8, 85.7, 462.8, 3.56, 4.998, 1.587, 5.261), // 44
    Row("S-JTSK", "Slovakia", gelBess41, 559, 68.7, 451.5, 5.71, 7.92, 4.073, 4.251), // 45
    Row("CARTHAGE", "Tunisia", gelClrk80IGN, -263, 6, 431), // 46
    Row("CHATHAM ISLAND ASTRO 1971", "New Zealand", gelInt24, 175, -38, 113), // 47
    Row("CHUA ASTRO", "Paraguay", gelInt24, -134, 229, -29), // 48
    Row("CH1903+", "Switzerland", gelBess41, 674.4, 15.1, 405.3), // 49
    Row("CORREGO ALEGRE", "Brazil", gelInt24, -206, 172, -6), // 50
    Row("OBSERVATOROI", "Mozambique South", gelClrk66, -153, -227, -255, 16.99, -1.986, -0.033, 3.866), // 51
    Row("CYPRUS 1935", "Cyprus", gelHongKong63, -104.24, -16.713, 843.593, -60.095, 0.90497, 0.64131, 3.01174), // 52
    Row("ESTONIA 1937", "Estonia", gelBess41, 374, 150, 588), // 53
    Row("DABOLA", "Guinea", gelClrk80, -83, 37, 124), // 54
    Row("DECEPTION ISLAND", "Antarctica", gelClrk80, 260, 12, -147), // 55
    Row("GUX 1 ASTRO", "Guadalcanal Island", gelInt24, 252, -209, -751), // 56
    Row("EASTER ISLAND 1967", "Easter Island", gelInt24, 211, 147, 111), // 57
    Row("WAKE-ENIWETOK 1960", "Marshall Islands", gelHough60, 102, 52, -38), // 58
    Row("EUROPEAN DATUM 1950", "Europe", gelInt24, -87, -98, -121), // 59
    Row("EUROPEAN DATUM 1950", "Western Europe", gelInt24, -87, -96, -120), // 60
    Row("EUROPEAN DATUM 1950", "Norway & Finland", gelInt24, -87, -95, -120), // 61
    Row("EUROPEAN DATUM 1950", "Denmark", gelInt24, -81.1, -89.4, -115.8, -0.54, 0.485, 0.024, 0.413), // 62
    Row("EUROPEAN DATUM 1950", "Channel Islands", gelInt24, -83.901, -98.127, -118.635), // 63
    Row("EUROPEAN DATUM 1950", "Portugal and Spain", gelInt24, -84, -107, -120), // 64
    Row("EUROPEAN DATUM 1950", "Portugal", gelInt24, -84.248, -108.628, -118.027), // 65
    Row("EUROPEAN DATUM 1950", "Balearic Islands", gelInt24, -181.5, -90.3, -187.2, 17.57, 0.144, 0.492, -0.394), // 66
    Row("EUROPEAN DATUM 1950", "Spain (except NW),", gelInt24, -131, -100.3, -163.4, 9.39, -1.244, -0.02, -1.144), // 67
    Row("EUROPEAN DATUM 1950", "Spain NW", gelInt24, -178.4, -83.2, -221.3, 21.2, 0.54, -0.532, -0.126), // 68
    Row("EUROPEAN DATUM 1950", "Gibraltar", gelInt24, -116.8, -106.4, -154.4), // 69
    Row("EUROPEAN DATUM 1950", "Italy - Sardinia", gelInt24, -97, -103, -120), // 70
    Row("EUROPEAN DATUM 1950", "Italy - Sicily", gelInt24, -97, -88, -135), // 71
    Row("EUROPEAN DATUM 1950", "Malta", gelInt24, -107, -88, -149), // 72
    Row("EUROPEAN DATUM 1950", "Former Yugoslavia N", gelInt24, -83, -96, -117), // 73
    Row("EUROPEAN DATUM 1950", "Greece", gelInt24, -84, -95, -130), // 74
    Row("EUROPEAN DATUM 1950", "Cyprus", gelInt24, -431.005, -227.335, 331.466, 2.091, -8.88403, 16.7003, -1.68426), // 75
    Row("EUROPEAN DATUM 1950", "Turkey", gelInt24, -84.1, -101.8, -129.7, 1.05, 0, 0, 0.468), // 76
    Row("EUROPEAN DATUM 1950", "Algeria", gelInt24, -130.95, -94.49, -139.08, 6.957, 0.4405, 0.4565, -0.2244), // 77
    Row("EUROPEAN DATUM 1950", "Tunisia", gelInt24, -112, -77, -145), // 78
    Row("EUROPEAN DATUM 1950", "Egypt", gelInt24, -130, -117, -151), // 79
    Row("EUROPEAN DATUM 1950", "Lebanon", gelInt24, -417.78, 472.76, -208.24, -4.592, 9.831, 2.9, -18.947), // 80
    Row("EUROPEAN DATUM 1950", "Iran", gelInt24, -117, -132, -164), // 81
    Row("EUROPEAN DATUM 1950", "Middle East", gelInt24, -103, -106, -141), // 82
    Row("EUROPEAN DATUM 1950", "Oman", gelInt24, -137.34, -189.51, -2.6, -8.017, -4.5735, 2.6257, 0.6849), // 83
    Row("EUROPEAN 1979", "Europe", gelInt24, -86, -98, -119), // 84
    Row("EUROPEAN 1979", "Portugal", gelInt24, -81.548, -94.168, -118.729), // 85
    Row("ETRF89", "Europe", gelWGS84, 0, 0, 0), // 86
    Row("FAHUD", "Oman", gelClrk80, -173.69, -247.71, 162.08, 19.727, -1.141, -2.7308, 8.6343), // 87
    Row("OBSERVATORIO MET. 1939", "Flores", gelInt24, -425, -169, 81), // 88
    Row("FORT THOMAS 1955", "St Kitts-Nevis", gelClrk80, -7, 215, 225), // 89
    Row("GAN 1970", "Rep. of Maldives", gelInt24, -133, -321, 50), // 90
    Row("GEOCENTRIC DATUM AUSTRALIA", "Australia", gelWGS84, 0, 0, 0), // 91
    Row("GEODETIC DATUM 1949", "New Zealand", gelInt24, 59.47, -5.04, 187.44, -4.5993, 0.47, -0.1, 1.024), // 92
    Row("DOS 1968", "Gizo Islands", gelInt24, 230, -199, -752), // 93
    Row("GRACIOSA BASE SW 1948", "Azores", gelInt24, -104, 167, -38), // 94
    Row("GGRS87", "Greece", gelWGS84, -199.87, 74.79, 246.62), // 95
    Row("GUNUNG SEGARA", "Indonesia", gelBess41, -403, 684, 41), // 96
    Row("GUAM 1963", "Guam", gelClrk66, -100, -248, 259), // 97
    Row("HARTEBEESTHOCK 1994", "South Africa", gelWGS84, 0, 0, 0), // 98
    Row("HELSINKI, KALLIO CHURCH", "Finland", gelInt24, -84.8, -208, -96.3, -0.023, 2.36, 1, 3.09), // 99
    Row("HERAT NORTH", "Afghanistan", gelInt24, -333, -222, 114), // 100
    Row("MGI DATUM/HERMANNSKOGEL", "Austria", gelBess41, 577.326, 90.129, 463.919, 2.4232, 5.1366, 1.4742, 5.297), // 101
    Row("HERMANNSKOGEL", "Former Yugoslavia", gelBess41, 515.149, 186.233, 511.959, 0.782, 5.49721, 3.51742, -12.948), // 102
    Row("HITO XVIII 1963", "Chile", gelInt24, 16, 196, 93), // 103
    Row("HJORSEY 1955", "Iceland", gelInt24, -73, 46, -86), // 104
    Row("HONG KONG 1963", "Hong Kong", gelInt24, -156, -271, -189), // 105
    Row("HONG KONG 1980", "Hong Kong", gelInt24, -156.8, -269, -188.2), // 106
    Row("HU-TZU-SHAN", "Taiwan", gelInt24, -637, -549, -203), // 107
    Row("HUNGARIAN DATUM 1972", "Hungary", gelGRS67, -56.94, 67.91, 19.32, -1.09, 0.2, 0.32, 0.42), // 108
    Row("BELLEVUE (IGN),", "Efate Island", gelInt24, -127, -769, 472), // 109
    Row("INDONESIAN 1974", "Indonesia", gelIndo74, -24, -15, 5), // 110
    Row("IRAQ-KUWAIT BOUNDARY 1992", "Iraq/ Kuwait", gelWGS84, 0, 0, 0), // 111
    Row("INDIAN", "Bangladesh", gelEver30, 79.2, 670.3, 230, 11.034, 0, 0, -7.274), // 112
    Row("INDIAN", "India & Nepal", gelEver56, 295, 736, 257), // 113
    Row("INDIAN", "Pakistan", gelEverPak, 283, 682, 231), // 114
    Row("INDIAN 1954", "Thailand", gelEver30, 217, 823, 299), // 115
    Row("INDIAN 1960", "Con Son Island", gelEver30, 182, 915, 344), // 116
    Row("INDIAN 1960", "Vietnam", gelEver30, 198, 881, 317), // 117
    Row("1 INDIAN 1975", "Thailand", gelEver30, 210, 814, 289), // 118
    Row("IRELAND 1965", "Ireland", gelModifAiry, 482.53, -130.596, 564.557, 8.15, -1.042, -0.214, -0.631), // 119
    Row("ISTS 061 ASTRO 1968", "South Georgia", gelInt24, -794, 119, -298), // 120
    Row("ISTS 073 ASTRO 1969", "Diego Garcia", gelInt24, 208, -435, -229), // 121
    Row("JOHNSTON ISLAND 1961", "Johnston Island", gelInt24, 189, -79, -202), // 122
    Row("KANDAWALA JACKSON?", "Sri Lanka", gelEver30, 33.7, 886.1, 105.3, -20.187, -0.11, 0.369, 3.701), // 123
    Row("KERTAU 1948", "Malaysia W & Sing.", gelEver48, -366.94, 719.29, -88.93, 9.093, 2.498, 2.142, -12.057), // 124
    Row("KERGUELEN ISLAND 1949", "Kerguelen Island", gelInt24, 145, -187, 103), // 125
    Row("KOREAN GEODETIC SYSTEM 1995", "South Korea", gelWGS84, 0, 0, 0), // 126
    Row("KKJ", "Finland", gelInt24, -90.7, -106.1, -119.2, 1.37, 4.09, 0.218, -1.05), // 127
    Row("KUSAIE ASTRO 1951", "Caroline Island", gelInt24, 647, 1777, -1124), // 128
    Row("LC5 ASTRO 1961", "Cayman Brac", gelClrk66, 42, 124, 147), // 129
    Row("LEIGON", "Ghana", gelClrk80, -135.58, 13.23, 364.13, 0.719, 2.0168, -0.0256, 0.8091), // 130
    Row("LIBERIA 1964", "Liberia", gelClrk80, -90, 40, 88), // 131
    Row("LISBON (Castelo di Sao Jorge), D7", "Portugal", gelInt24, -238.2, 85.2, 29.9, 2.03, 0.166, 0.046, 1.248), // 132
    Row("LKS94", "Lithuania", gelWGS84, 0, 0, 0), // 133
    Row("LUXEMBOURG NT", "Luxembourg", gelInt24, -193, 13.7, -39.3, 0.43, -0.41, -2.933, 2.688), // 134
    Row("LUZON", "Philipines - Mindanao", gelClrk66, -133, -79, -72), // 135
    Row("LUZON", "Philipines", gelClrk66, -133, -77, -51), // 136
    Row("MASSAWA", "Eritrea", gelBess41, 639, 405, 60), // 137
    Row("MERCHICH", "Morroco", gelClrk80, 31, 146, 47), // 138
    Row("MIDWAY ASTRO 1961", "Midway Islands", gelInt24, 912, -58, 1227), // 139
    Row("MAHE 1971", "Seychelles - Mahe Is.", gelClrk80, 41, -220, -134), // 140
    Row("MINNA", "Cameroon", gelClrk80, -81, -84, 115), // 141
    Row("MINNA", "Nigeria", gelClrk80, -92, -93, 122), // 142
    Row("ROME 1940", "Italy mainland", gelInt24, -104.1, -49.1, -9.9, -11.68, 0.971, -2.917, 0.714), // 143
    Row("ROME 1940", "Italy - Sardinia", gelInt24, -168.6, -34, 38.6, -9.48, -0.374, -0.679, -1.379), // 144
    Row("ROME 1940", "Italy - Sicily", gelInt24, -50.2, -50.4, 84.8, -28.08, -0.69, -2.012, 0.459), // 145
    Row("M'PORALOKO", "Gabon", gelClrk80, -74, -130, 42), // 146
    Row("VITI LEVU 1916", "Fiji - Viti Levu", gelClrk80, 51, 391, -36), // 147
    Row("NAHRWAN", "Oman - Masirah Island", gelClrk80, -247, -148, 369), // 148
    Row("NAHRWAN", "Saudi Arabia", gelClrk80, -243, -192, 477), // 149
    Row("NAHRWAN", "United Arab Emirates", gelClrk80, -249, -156, 381), // 150
    Row("NAPARIMA", "Trinidad & Tobago", gelInt24, -10, 375, 165), // 151
    Row("NORTH AMERICAN 1983", "US - Alaska", gelWGS84, 0, 0, 0), // 152
    Row("NORTH AMERICAN 1983", "US - Aleutian", gelWGS84, -2, 0, 4), // 153
    Row("NORTH AMERICAN 1983", "Canada", gelWGS84, 0, 0, 0), // 154
    Row("NORTH AMERICAN 1983", "US - CONUS", gelWGS84, 0, 0, 0), // 155
    Row("NORTH AMERICAN 1983", "US - Hawaii", gelWGS84, 1, 1, -1), // 156
    Row("NORTH AMERICAN 1983", "Mexico", gelWGS84, 0, 0, 0), // 157
    Row("NORTH AMERICAN 1927", "US - Alaska", gelClrk66, -5, 135, 172), // 158
    Row("NORTH AMERICAN 1927", "Canada", gelClrk66, -10, 158, 187), // 159
    Row("NORTH AMERICAN 1927", "Canada-Alberta/British Columbia", gelClrk66, -7, 162, 188), // 160
    Row("NORTH AMERICAN 1927", "US - Aleutian East", gelClrk66, -2, 152, 149), // 161
    Row("NORTH AMERICAN 1927", "US - Aleutian West", gelClrk66, 2, 204, 105), // 162
    Row("NORTH AMERICAN 1927", "Bahamas", gelClrk66, -4, 154, 178), // 163
    Row("NORTH AMERICAN 1927", "Canal Zone", gelClrk66, 0, 125, 201), // 164
    Row("NORTH AMERICAN 1927", "Caribbean", gelClrk66, -3, 142, 183), // 165
    Row("NORTH AMERICAN 1927", "Central America", gelClrk66, 0, 125, 194), // 166
    Row("NORTH AMERICAN 1927", "US - CONUS", gelClrk66, -8, 160, 176), // 167
    Row("NORTH AMERICAN 1927", "Cuba", gelClrk66, -9, 152, 178), // 168
    Row("NORTH AMERICAN 1927", "CanadaEast", gelClrk66, -22, 160, 190), // 169
    Row("NORTH AMERICAN 1927", "US - Eastern", gelClrk66, -9, 161, 179), // 170
    Row("NORTH AMERICAN 1927", "Greenland", gelClrk66, 11, 114, 195), // 171
    Row("NORTH AMERICAN 1927", "Canada - Manitoba/Ontario", gelClrk66, -9, 157, 184), // 172
    Row("NORTH AMERICAN 1927", "Mexico", gelClrk66, -12, 130, 190), // 173
    Row("NORTH AMERICAN 1927", "Canada - NW Territory", gelClrk66, 4, 159, 188), // 174
    Row("NORTH AMERICAN 1927", "San Salvador", gelClrk66, 1, 140, 165), // 175
    Row("NORTH AMERICAN 1927", "US - Western", gelClrk66, -8, 159, 175), // 176
    Row("NORTH AMERICAN 1927", "Canada - Yukon", gelClrk66, -7, 139, 181), // 177
    Row("NTF", "France", gelClrk80IGN, -168, -60, 320), // 178
    Row("NGO 1948", "Norway", gelBesselMod, 278.3, 93, 474.5, 6.21, 7.889, 0.05, -6.61), // 179
    Row("NORTH SAHARA 1959", "Algeria", gelClrk80, -186, -93, 310), // 180
    Row("BELGIUM DATUM 1972", "Belgium", gelInt24, -99.1, 53.3, -112.5, -1, 0.419, -0.83, 1.885), // 181
    Row("OLD EGYPTIAN 1907", "Egypt", gelHelm06, -130, 110, -13), // 182
    Row("ORDNANCE GB 1936", "GB - Great Britain", gelAiry30, 446.448, -125.157, 542.06, -20.49, 0.15, 0.247, 0.8421), // 183
    Row("OLD HAWAI'IAN", "US - Hawaii Mean", gelClrk66, 61, -285, -181), // 184
    Row("OLD HAWAI'IAN", "US - Hawaii", gelClrk66, 89, -279, -183), // 185
    Row("OLD HAWAI'IAN", "US - Kauai", gelClrk66, 45, -290, -172), // 186
    Row("OLD HAWAI'IAN", "US - Maui", gelClrk66, 65, -290, -190), // 187
    Row("OLD HAWAI'IAN", "US - Oahu", gelClrk66, 58, -283, -182), // 188
    Row("OLD HAWAI'IAN", "US - Hawaii", gelInt24, 201, -228, -346), // 189
    Row("OLD HAWAI'IAN", "US - Hawaii", gelInt24, 229, -222, -348), // 190
    Row("OLD HAWAI'IAN", "US - Kauai", gelInt24, 185, -233, -337), // 191
    Row("OLD HAWAI'IAN", "US - Maui", gelInt24, 205, -233, -355), // 192
    Row("OLD HAWAI'IAN", "US - Oahu", gelInt24, 198, -226, -347), // 193
    Row("PALESTINE 1928", "Israel", gelNahrwan29, -223, -70, 271), // 194
    Row("AYABELLA LIGHTHOUSE", "Djibouti", gelClrk80, -79, -129, 145), // 195
    Row("PITCAIRN ASTRO 1967", "Pitcairn Island", gelInt24, 185, 165, 42), // 196
    Row("PICO DE LAS NIEVES.", "Spain - Canary Islands", gelInt24, -307, -92, 127), // 197
    Row("PORTO SANTO 1936.", "Portugal - Maderia", gelInt24, -499, -249, 314), // 198
    Row("PROV. S AMERICAN 1956", "Bolivia", gelInt24, -270, 188, -388), // 199
    Row("PROV. S AMERICAN 1956", "Colombia", gelInt24, -282, 169, -371), // 200
    Row("PROV. S AMERICAN 1956", "Ecuador", gelInt24, -278, 171, -367), // 201
    Row("PROV. S AMERICAN 1956", "Guyana", gelInt24, -298, 159, -369), // 202
    Row("PROV. S AMERICAN 1956", "Chile North", gelInt24, -270, 183, -390), // 203
    Row("PROV. S AMERICAN 1956", "Peru", gelInt24, -279, 175, -379), // 204
    Row("PROV. S AMERICAN 1956", "South America", gelInt24, -288, 175, -376), // 205
    Row("PROV. S AMERICAN 1956", "Chile South", gelInt24, -305, 243, -442), // 206
    Row("PROV. S AMERICAN 1956", "Venezuela", gelInt24, -197.43, 139.39, -192.8, -5.109, 5.266, 1.238, -2.381), // 207
    Row("POINT 58", "Burkina Faso & Niger", gelClrk80, -106, -129, 165), // 208
    Row("POINT NOIRE 1948", "Congo", gelClrk80, -148, 51, -291), // 209
    Row("PULKOVO 1942", "Russia", gelKrass40, 28, -130, -95), // 210
    Row("PULKOVO 1942", "Germany", gelKrass40, 24, -123, -94, 1.1, -0.02, 0.25, 0.13), // 211
    Row("PULKOVO 1942", "Estonia", gelKrass40, 21.58719, -97.541, -60.925, -4.6121, 1.01378, 0.58117, 0.2348), // 212
    Row("PUERTO RICO & Virgin Is.", "Puerto Rico & Virgin Islands", gelClrk66, 11, 72, -101), // 213
    Row("QATAR NATIONAL 1974", "Qatar", gelInt24, -126.44, -298.86, -10.92, 3.73, 1.23, 0.27, 0.85), // 214
    Row("QATAR NATIONAL 1995", "Qatar", gelInt24, -119.425, -303.6587, -11.00061, 3.65707, 1.1643, 0.17446, 1.096259), // 215
    Row("QORNOQ ", "Greenland South", gelInt24, 164, 138, -189), // 216
    Row("DHDN (RAUENBERG),", "Germany", gelBess41, 582, 105, 414, 8.3, 1.04, 0.35, -3.08), // 217
    Row("REUNION ", "Mascarene Is", gelInt24, 94, -948, -1262), // 218
    Row("RT90", "Sweden", gelBess41, 414.1, 41.3, 603.1, 0, -0.855, 2.141, -7.023), // 219
    Row("SANTO(DOS), 1965", "Vanuatu - Espirito Santo", gelInt24, 170, 42, 84), // 220
    Row("SOUTH AMERICAN 1969", "Argentina", gelSAm69, -62, -1, -37), // 221
    Row("SOUTH AMERICAN 1969", "Galapagos", gelSAm69, -47, 26, -42), // 222
    Row("SOUTH AMERICAN 1969", "Bolivia", gelSAm69, -61, 2, -48), // 223
    Row("SOUTH AMERICAN 1969", "Brazil", gelSAm69, -60, -2, -41), // 224
    Row("SOUTH AMERICAN 1969", "Chile", gelSAm69, -75, -1, -44), // 225
    Row("SOUTH AMERICAN 1969", "Colombia", gelSAm69, -44, 6, -36), // 226
    Row("SOUTH AMERICAN 1969", "Ecuador", gelSAm69, -48, 3, -44), // 227
    Row("SOUTH AMERICAN 1969", "Guyana", gelSAm69, -53, 3, -47), // 228
    Row("SOUTH AMERICAN 1969", "Paraguay", gelSAm69, -61, 2, -33), // 229
    Row("SOUTH AMERICAN 1969", "Peru", gelSAm69, -58, 0, -44), // 230
    Row("SOUTH AMERICAN 1969", "South America", gelSAm69, -57, 1, -41), // 231
    Row("SOUTH AMERICAN 1969", "Trinidad", gelSAm69, -45, 12, -33), // 232
    Row("SOUTH AMERICAN 1969", "Venezuela", gelSAm69, -45, 8, -33), // 233
    Row("SAO BRAZ", "Santa Maria Islands", gelInt24, -203, 141, 53), // 234
    Row("SAPPER HILL 1943 (2000 adj),", "Falkland Islands", gelInt24, -120.379, 126.358, 95.91, -0.349, -0.09247, 2.49933, -10.54206), // 235
    Row("SCHWARZECK", "Namibia", gelBess41Nam, 616, 97, -251), // 236
    Row("SOUTH EAST ISLAND", "Seychelles", gelClrk80, 30.768, -129.01, -91.673, -10.901, -1.9847, 7.51328, 0.64532), // 237
    Row("SOVIET GEODETIC SYSTEM 85", "Russia", gelSGS85, 0, 0, 4, 0, 0, 0, 0.6), // 238
    Row("PZ90 (GLONASS),", "Russia", gelPZ90, -1.1, -0.3, -0.9, 0, 0, 0, 0.169), // 239
    Row("SELVAGEM GRANDE 1938", "Salvage Island", gelInt24, -289, -124, 60), // 240
    Row("DOS 71/4", "St Helena", gelInt24, -320, 550, -494), // 241
    Row("SIERRA LEONE DATUM 1960", "Sierra Leone", gelClrk80, -88, 4, 101), // 242
    Row("SIRGAS", "South America", gelWGS84, 0, 0, 0), // 243
    Row("SOUTH ASIA", "Singapore", gelModifFish60, 7, -10, -26), // 244
    Row("S-42 (PULKOVO 1942),", "Albania", gelKrass40, 24, -130, -92), // 245
    Row("S-42 (PK42),", "Czechoslavakia", gelKrass40, 26, -121, -78), // 246
    Row("S-42 (PULKOVO 1942),", "Hungary", gelKrass40, 28, -121, -77), // 247
    Row("S-42 (PULKOVO 1942),", "Latvia", gelKrass40, 24, -124, -82), // 248
    Row("S-42 (PK 1942),", "Kazakhstan", gelKrass40, 15, -130, -84), // 249
    Row("SYSTEM 1942/58 (PULKOVO 1942),", "Poland", gelKrass40, 33.4, -146.6, -76.3, -0.84, -0.359, -0.053, 0.844), // 250
    Row("S-42 (PULKOVO 1942),", "Poland", gelKrass40, 23, -124, -82), // 251
    Row("S-42 (PULKOVO 1942),", "Romania", gelKrass40, 28, -121, -77), // 252
    Row("S-42 (PULKOVO 1942),", "Romania", gelKrass40, 27.8, -125.9, -77.5), // 253
    Row("S-42 (PULKOVO 1942),", "Afghanistan", gelKrass40, 15, -130, -84), // 254
    Row("TANANARIVE OBSERVATORY", "Madagascar", gelInt24, -242.75, -191.8, -105.56, 1.149, 0.913, 1.137, -2.698), // 255
    Row("TRISTAN ASTRO 1968", "Tristan da Cunha", gelInt24, -632, 438, -609), // 256
    Row("TETE", "Mozambique", gelClrk66, -107, -167, -211, 9.28, 0.871, 0.207, 0.992), // 257
    Row("TIMBALAI 1948 (Everest),", "Malaysia E & Brunei", gelEverest, -582.33, 671.57, -108.15, 6.495, 1.744, 0.56, 2.876), // 258
    Row("TIMBALAI 1968,Adj of 1948", "Malaysia E & Brunei", gelBess41, -528, 566.18, -75.24, 9.216, 1.137, 0.194, 3.034), // 259
    Row("TIMBALAI 1968, Adj of 1948", "Malaysia E & Brunei", gelEverest, -541.8, 667.65, -63.42, 9.139, 0.478, -0.24, 4.019), // 260
    Row("TIMBALAI 1948 (Bessel),", "Malaysia E & Brunei", gelBess41, -496.34, 580.76, -44.31, 8.82, 0.098, 0.018, 4.146), // 261
    Row("TOKYO", "Japan", gelBess41, -148, 507, 685), // 262
    Row("TOKYO", "South Korea", gelBess41, -147, 506, 687), // 263
    Row("TOKYO", "Japan - Okinawa", gelBess41, -158, 507, 676), // 264
    Row("TERN ISLAND (FRIG), 1961", "Antarctica", gelInt24, 114, -116, -333), // 265
    Row("VOIROL 1875", "Algeria", gelClrk80IGN, -73, -247, 227), // 266
    Row("WAKE ISLAND ASTRO 1952", "Wake Island", gelInt24, 276, -57, 149), // 267
    Row("WORLD GEODETIC SYSTEM 1972", "World", gelWGS72, 0, 0, 4.5, 0.219, 0, 0, 0.554), // 268
    Row("WORLD GEODETIC SYSTEM 1984", "World", gelWGS84, 0, 0, 0), // 269
    Row("YACARE ", "Uruguay", gelInt24, -155, 171, 37), // 270
    Row("ZANDERIJ", "Suriname", gelInt24, -265, 120, -358), // 271
};

static_assert(sizeof(Datums) / sizeof(Datums[0]) == DatumCount);

} // namespace

const TDatumData* GeoDatum(int Number)
{
    return (Number >= 1 && Number <= DatumCount) ? &Datums[Number - 1] : nullptr;
}

} // namespace tyx
