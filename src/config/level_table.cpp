#include "config/level_table.h"

#include <cstdio>

namespace kq {

namespace {

// Written out as a LevelUp.def would be, so a copy of it reads exactly as the built-in table.
constexpr std::string_view kDefaultText = R"KQ(
[Level001]
LineUpInterval =20000
HardBlockRatio =    1
NeedBlock      =    4

[Level002]
LineUpInterval =15000
HardBlockRatio =    1
NeedBlock      =    4

[Level003]
LineUpInterval =15000
HardBlockRatio =    1
NeedBlock      =    4

[Level004]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level005]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level006]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level007]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level008]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level009]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level010]
LineUpInterval = 7000
HardBlockRatio =    1
NeedBlock      =    4

[Level011]
LineUpInterval = 5000
HardBlockRatio =    5
NeedBlock      =    4

[Level012]
LineUpInterval = 5000
HardBlockRatio =    5
NeedBlock      =    4

[Level013]
LineUpInterval = 5000
HardBlockRatio =    5
NeedBlock      =    4

[Level013]
LineUpInterval = 5000
HardBlockRatio =    5
NeedBlock      =    4

[Level014]
LineUpInterval = 5000
HardBlockRatio =    5
NeedBlock      =    4

[Level015]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level016]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level017]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level018]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level019]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level020]
LineUpInterval = 4000
HardBlockRatio =    5
NeedBlock      =    4

[Level021]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level022]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level023]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level024]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level025]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level026]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level027]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level028]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level029]
LineUpInterval = 3500
HardBlockRatio =   10
NeedBlock      =    4

[Level030]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level031]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level032]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level033]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level034]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level035]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level036]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level037]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level038]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level039]
LineUpInterval = 3000
HardBlockRatio =   10
NeedBlock      =    4

[Level040]
LineUpInterval = 2700
HardBlockRatio =   12
NeedBlock      =    4

[Level041]
LineUpInterval = 2500
HardBlockRatio =   12
NeedBlock      =    4

[Level042]
LineUpInterval = 2500
HardBlockRatio =   12
NeedBlock      =    4

[Level043]
LineUpInterval = 2500
HardBlockRatio =   12
NeedBlock      =    4

[Level044]
LineUpInterval = 2500
HardBlockRatio =   12
NeedBlock      =    4

[Level045]
LineUpInterval = 2500
HardBlockRatio =   12
NeedBlock      =    4

[Level046]
LineUpInterval = 2000
HardBlockRatio =   12
NeedBlock      =    4

[Level047]
LineUpInterval = 2000
HardBlockRatio =   12
NeedBlock      =    4

[Level048]
LineUpInterval = 2000
HardBlockRatio =   12
NeedBlock      =    4

[Level049]
LineUpInterval = 2000
HardBlockRatio =   12
NeedBlock      =    4

[Level050]
LineUpInterval = 2000
HardBlockRatio =   12
NeedBlock      =    8

[Level051]
LineUpInterval = 1900
HardBlockRatio =   12
NeedBlock      =    8

[Level052]
LineUpInterval = 1900
HardBlockRatio =   12
NeedBlock      =    8

[Level053]
LineUpInterval = 1900
HardBlockRatio =   12
NeedBlock      =    8

[Level054]
LineUpInterval = 1900
HardBlockRatio =   12
NeedBlock      =    8

[Level055]
LineUpInterval = 1850
HardBlockRatio =   12
NeedBlock      =    8

[Level056]
LineUpInterval = 1850
HardBlockRatio =   12
NeedBlock      =    8

[Level057]
LineUpInterval = 1850
HardBlockRatio =   12
NeedBlock      =    8

[Level058]
LineUpInterval = 1850
HardBlockRatio =   12
NeedBlock      =    8

[Level059]
LineUpInterval = 1850
HardBlockRatio =   12
NeedBlock      =    8

[Level060]
LineUpInterval = 1800
HardBlockRatio =   12
NeedBlock      =    8

[Level061]
LineUpInterval = 1750
HardBlockRatio =   12
NeedBlock      =    8

[Level062]
LineUpInterval = 1750
HardBlockRatio =   12
NeedBlock      =    4

[Level063]
LineUpInterval = 1750
HardBlockRatio =   12
NeedBlock      =    8

[Level064]
LineUpInterval = 1750
HardBlockRatio =   12
NeedBlock      =    8

[Level065]
LineUpInterval = 1750
HardBlockRatio =   12
NeedBlock      =    8

[Level066]
LineUpInterval = 1700
HardBlockRatio =   12
NeedBlock      =    8

[Level067]
LineUpInterval = 1700
HardBlockRatio =   12
NeedBlock      =    8

[Level068]
LineUpInterval = 1700
HardBlockRatio =   12
NeedBlock      =    8

[Level069]
LineUpInterval = 1700
HardBlockRatio =   12
NeedBlock      =    8

[Level070]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level071]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level072]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level073]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level074]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level075]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level076]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level077]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level078]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level079]
LineUpInterval = 1650
HardBlockRatio =   12
NeedBlock      =    8

[Level080]
LineUpInterval = 1650
HardBlockRatio =   13
NeedBlock      =    8

[Level081]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level082]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level083]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level084]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    4

[Level085]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level086]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level087]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level088]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level089]
LineUpInterval = 1600
HardBlockRatio =   13
NeedBlock      =    8

[Level090]
LineUpInterval = 1600
HardBlockRatio =   15
NeedBlock      =    8

[Level091]
LineUpInterval = 1550
HardBlockRatio =   15
NeedBlock      =    8

[Level092]
LineUpInterval = 1550
HardBlockRatio =   15
NeedBlock      =    8

[Level093]
LineUpInterval = 1550
HardBlockRatio =   15
NeedBlock      =    8

[Level094]
LineUpInterval = 1550
HardBlockRatio =   15
NeedBlock      =    8

[Level095]
LineUpInterval = 1500
HardBlockRatio =   17
NeedBlock      =    8

[Level096]
LineUpInterval = 1500
HardBlockRatio =   17
NeedBlock      =    8

[Level097]
LineUpInterval = 1500
HardBlockRatio =   17
NeedBlock      =    8

[Level098]
LineUpInterval = 1500
HardBlockRatio =   17
NeedBlock      =    8

[Level099]
LineUpInterval = 1500
HardBlockRatio =   17
NeedBlock      =    1

[Level100]
LineUpInterval = 1500
HardBlockRatio =   15
NeedBlock      =    1

[Level101]
LineUpInterval = 9000
HardBlockRatio =   12
NeedBlock      =    1

[Level102]
LineUpInterval = 9000
HardBlockRatio =   12
NeedBlock      =    8

[Level103]
LineUpInterval = 9000
HardBlockRatio =   12
NeedBlock      =    8

[Level104]
LineUpInterval = 9000
HardBlockRatio =   12
NeedBlock      =    8

[Level105]
LineUpInterval = 9000
HardBlockRatio =   12
NeedBlock      =    8

[Level106]
LineUpInterval = 1500
HardBlockRatio =   12
NeedBlock      =    8

[Level107]
LineUpInterval = 1400
HardBlockRatio =   12
NeedBlock      =    8

[Level108]
LineUpInterval = 1350
HardBlockRatio =   12
NeedBlock      =    8

[Level109]
LineUpInterval = 1300
HardBlockRatio =   12
NeedBlock      =    6

[Level110]
LineUpInterval = 1250
HardBlockRatio =   12
NeedBlock      =    6

[Level111]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level112]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level113]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level114]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level115]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level116]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level117]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level118]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level119]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level120]
LineUpInterval = 1200
HardBlockRatio =   10
NeedBlock      =    6

[Level121]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level122]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level123]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level124]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level125]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level126]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level127]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level128]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level129]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    6

[Level130]
LineUpInterval = 1180
HardBlockRatio =   10
NeedBlock      =    8

[Level131]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level132]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level133]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level134]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level135]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level136]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level137]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level138]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level139]
LineUpInterval = 1150
HardBlockRatio =   10
NeedBlock      =    8

[Level140]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level141]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level142]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level143]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level144]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level145]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level146]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level147]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level148]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level149]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level150]
LineUpInterval = 1130
HardBlockRatio =   10
NeedBlock      =    8

[Level151]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level152]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level153]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level154]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level155]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level156]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level157]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level158]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level159]
LineUpInterval = 1100
HardBlockRatio =   10
NeedBlock      =    8

[Level160]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level161]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level162]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level163]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level164]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level165]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level166]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level167]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level168]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level169]
LineUpInterval = 1050
HardBlockRatio =   10
NeedBlock      =    8

[Level170]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level171]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level172]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level173]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level174]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level175]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level176]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level177]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level178]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level179]
LineUpInterval = 1030
HardBlockRatio =   10
NeedBlock      =    8

[Level180]
LineUpInterval =  970
HardBlockRatio =   10
NeedBlock      =    8

[Level181]
LineUpInterval =  970
HardBlockRatio =   10
NeedBlock      =    8

[Level182]
LineUpInterval =  970
HardBlockRatio =   10
NeedBlock      =    8

[Level183]
LineUpInterval =  970
HardBlockRatio =   10
NeedBlock      =    8

[Level184]
LineUpInterval =  970
HardBlockRatio =   10
NeedBlock      =    8

[Level185]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level186]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level187]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level188]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level189]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level190]
LineUpInterval =  990
HardBlockRatio =   10
NeedBlock      =    8

[Level191]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level192]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level193]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level194]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level195]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level196]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level197]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level198]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level199]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

[Level200]
LineUpInterval =  930
HardBlockRatio =   10
NeedBlock      =    8

)KQ";

int LevelValue(const TProfile& def, const char* section, const char* key, int lo, int hi) {
  auto v = def.ReadInteger(section, key);
  return v && *v >= lo && *v <= hi ? *v : 0;
}

}  // namespace

std::string_view DefaultLevelTableText() {
  return kDefaultText.substr(1);
}  // no leading line break

TLevelTable BuildLevelTable(const TProfile& def, const TGameConfig& cfg) {
  TLevelTable table;
  for (int n = 1; n <= kMaxLevels; ++n) {
    char section[16];
    std::snprintf(section, sizeof section, "LEVEL%.3d", n);
    TLevelEntry e;
    e.HardBlockRatio = LevelValue(def, section, "HardBlockRatio", 1, 100);
    e.NeedBlock = LevelValue(def, section, "NeedBlock", 1, 999);
    e.LineUpInterval = LevelValue(def, section, "LineUpInterval", 100, 100000);
    if (e.HardBlockRatio == 0 || e.NeedBlock == 0 || e.LineUpInterval == 0) break;
    table.push_back(e);
  }
  if (table.empty()) table.push_back(TLevelEntry{cfg.HardBlockRatio, 70, cfg.LineUpInterval});
  return table;
}

}  // namespace kq
