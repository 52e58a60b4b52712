#include "settings/client_settings.h"

#include <string>
#include <string_view>

namespace voz {

namespace {

// How a key's value is kept in the record and in the file.
enum class Encoding {
    kFlag,          // 0 or 1; any non-zero value reads as 1; written "1" or "0"
    kNumber,        // as read; written as unsigned decimal
    kChoice,        // as read; written "1" when non-zero, else "0"
    kYesNo,         // 1 only for the exact text "Yes"; written from ScrollPeriod
    kMarginHidden,  // KLINENOLRMARGIN: a flag
    kMarginRight,   // COORINATERIGHT: a flag, left alone in the file while KLINENOLRMARGIN is set
};

struct SettingKey {
    const char* section;
    const char* key;
    Encoding encoding;
    int32_t defaultValue;
    int32_t CClientSettings::*field;
};

constexpr char kSystem[] = "SYSTEM";
constexpr char kTa[] = "TA";
constexpr char kGeneralTrade[] = "GENERALTRADE";
constexpr char kTaGroup[] = "TAGROUP";
constexpr char kQlrt[] = "QLRT";

// ScrollQuot is read as text into a buffer of this size, with this default.
constexpr size_t kYesNoBufferSize = 20;
constexpr char kYes[] = "Yes";
constexpr char kNo[] = "No";

using E = Encoding;
using C = CClientSettings;

// Every key, in the order in which Load and Save handle them.
constexpr SettingKey kSettingKeys[] = {
    {kGeneralTrade, "ZqTraderIsUse", E::kFlag, 0, &C::ZqTraderIsUse},
    {kSystem, "UDColorMode", E::kFlag, 0, &C::UDColorMode},
    {kSystem, "DeltaNewShowRG", E::kChoice, 0, &C::DeltaNewShowRG},
    {kSystem, "SQou1NewCome", E::kFlag, 1, &C::SQou1NewCome},
    {kSystem, "AUTOUPDATAOPINT", E::kFlag, 1, &C::AUTOUPDATAOPINT},
    {kSystem, "QuoteFieldAutoSave", E::kFlag, 1, &C::QuoteFieldAutoSave},
    {kSystem, "QuoteAutoSave", E::kFlag, 1, &C::QuoteAutoSave},
    {kSystem, "SQuost1ShowLevel2", E::kFlag, 0, &C::SQuost1ShowLevel2},
    {kSystem, "ShfmeSQuost1ShowLevel2", E::kFlag, 0, &C::ShfmeSQuost1ShowLevel2},
    {kSystem, "CzceSQuost1ShowLevel2", E::kFlag, 0, &C::CzceSQuost1ShowLevel2},
    {kSystem, "ZgjrSQuost1ShowLevel2", E::kFlag, 0, &C::ZgjrSQuost1ShowLevel2},
    {kSystem, "GYMulArchivePrice", E::kFlag, 0, &C::GYMulArchivePrice},
    {kSystem, "SQuost1ShowDetail", E::kFlag, 1, &C::SQuost1ShowDetail},
    {kSystem, "HasFrame", E::kFlag, 0, &C::HasFrame},
    {kSystem, "SpecialStyle", E::kFlag, 0, &C::SpecialStyle},
    {kSystem, "FILTRBIDASKPRICE", E::kFlag, 0, &C::FILTRBIDASKPRICE},
    {kSystem, "ScrollPeriod", E::kNumber, 5, &C::ScrollPeriod},
    {kSystem, "ScrollLinesPerTime", E::kNumber, 1, &C::ScrollLinesPerTime},
    {kSystem, "ScrollQuot", E::kYesNo, 0, &C::ScrollQuot},
    {kTa, "TADBLCLICKMENU", E::kFlag, 1, &C::TADBLCLICKMENU},
    {kTa, "Today", E::kFlag, 0, &C::Today},
    {kTa, "WHELLCHANGECON", E::kFlag, 1, &C::WHELLCHANGECON},
    {kSystem, "ShowPrice", E::kFlag, 1, &C::ShowPrice},
    {kTa, "KLINENOLRMARGIN", E::kMarginHidden, 0, &C::KLINENOLRMARGIN},
    {kTa, "COORINATERIGHT", E::kMarginRight, 0, &C::COORINATERIGHT},
    {kSystem, "QlrtTaQlrt", E::kFlag, 1, &C::QlrtTaQlrt},
    {kSystem, "StockEx", E::kFlag, 1, &C::StockEx},
    {kSystem, "QuotAllWndSelect", E::kFlag, 1, &C::QuotAllWndSelect},
    {kSystem, "SHOWTATABBTN", E::kFlag, 1, &C::SHOWTATABBTN},
    {kTa, "StockLinkage", E::kFlag, 0, &C::StockLinkage},
    {kSystem, "SavePageByScale", E::kFlag, 0, &C::SavePageByScale},
    {kTa, "SHOWZBTAB", E::kFlag, 0, &C::SHOWZBTAB},
    {kTa, "FatKLine", E::kFlag, 1, &C::FatKLine},
    {kTa, "SolidKLine", E::kFlag, 0, &C::SolidKLine},
    {kSystem, "SEPERATORLINE", E::kFlag, 1, &C::SEPERATORLINE},
    {kSystem, "USEQUESTIONMARK", E::kFlag, 0, &C::USEQUESTIONMARK},
    {kTa, "ZBIN1LINE", E::kFlag, 1, &C::ZBIN1LINE},
    {kTaGroup, "HighLow", E::kFlag, 1, &C::HighLow},
    {kTa, "KLineNews", E::kFlag, 1, &C::KLineNews},
    {kSystem, "USEPAGETASET", E::kFlag, 1, &C::USEPAGETASET},
    {kTa, "CompressTick", E::kFlag, 1, &C::CompressTick},
    {kTa, "FOURKLINE", E::kFlag, 0, &C::FOURKLINE},
    {kTa, "STOPLOST_LINE", E::kFlag, 1, &C::STOPLOST_LINE},
    {kTa, "KeepKLineSpan", E::kFlag, 1, &C::KeepKLineSpan},
    {kSystem, "ALSOSHOWINNERTRADEDETAIL", E::kFlag, 1, &C::ALSOSHOWINNERTRADEDETAIL},
    {kSystem, "CustomPeriod", E::kFlag, 0, &C::CustomPeriod},
    {kSystem, "AutoSaveLine", E::kFlag, 1, &C::AutoSaveLine},
    {kTa, "AutoSaveStd", E::kFlag, 1, &C::AutoSaveStd},
    {kTa, "CoordKLine", E::kFlag, 0, &C::CoordKLine},
    {kTa, "NetLine", E::kFlag, 1, &C::NetLine},
    {kTa, "VerNetLine", E::kFlag, 1, &C::VerNetLine},
    {kSystem, "QueryPrice", E::kFlag, 1, &C::QueryPrice},
    {kTa, "NetLineSpan", E::kNumber, 0, &C::NetLineSpan},
    {kSystem, "AlsoShowNewPrice", E::kFlag, 1, &C::AlsoShowNewPrice},
    {kSystem, "HLDisplayRate", E::kNumber, 15, &C::HLDisplayRate},
    {kTa, "ShowKLinePixel", E::kNumber, 8, &C::ShowKLinePixel},
    {kTa, "ShowKLineType", E::kNumber, 0, &C::ShowKLineType},
    {kSystem, "SMALLQUOTDVOL", E::kNumber, 1, &C::SMALLQUOTDVOL},
    {kSystem, "AutoSpecialTa", E::kFlag, 1, &C::AutoSpecialTa},
    {kSystem, "SpecialQLRT", E::kFlag, 1, &C::SpecialQLRT},
    {kSystem, "SpecialTick", E::kFlag, 1, &C::SpecialTick},
    {kSystem, "FUROVERLAPSTOCK", E::kFlag, 1, &C::FUROVERLAPSTOCK},
    {kSystem, "FUROVERLAPSTOCKRANK", E::kFlag, 1, &C::FUROVERLAPSTOCKRANK},
    {kQlrt, "BasePrice", E::kFlag, 0, &C::BasePrice},
    {kQlrt, "UseMa", E::kFlag, 0, &C::UseMa},
    {kQlrt, "SHOWVOL", E::kFlag, 1, &C::SHOWVOL},
    {kSystem, "m_nRirurAzToolBar", E::kFlag, 1, &C::m_nRirurAzToolBar},
    {kSystem, "IndexBar", E::kFlag, 1, &C::IndexBar},
    {kSystem, "TabBar", E::kFlag, 1, &C::TabBar},
    {kSystem, "TabBarDock", E::kFlag, 1, &C::TabBarDock},
    {kSystem, "ToolBar", E::kFlag, 1, &C::ToolBar},
    {kSystem, "ToolbarDockR", E::kFlag, 0, &C::ToolbarDockR},
    {kGeneralTrade, "ORDERBOARDTYPE", E::kChoice, 0, &C::ORDERBOARDTYPE},
};

static_assert(sizeof kSettingKeys / sizeof kSettingKeys[0] == 73, "one row per Voz.ini key");
static_assert(sizeof(CClientSettings) == 73 * sizeof(int32_t), "one field per Voz.ini key");

const char* FlagText(int32_t value) { return value != 0 ? "1" : "0"; }

// The text that was read is never written back: scrolling is on whenever it has a period.
void DeriveScrollQuot(CClientSettings& settings) { settings.ScrollQuot = settings.ScrollPeriod != 0 ? 1 : 0; }

}  // namespace

void CClientSettings::ReadFrom(const CIniFile& file) {
    for (const SettingKey& row : kSettingKeys) {
        int32_t& field = this->*row.field;
        if (row.encoding == Encoding::kYesNo) {
            field = file.GetString(row.section, row.key, kNo, kYesNoBufferSize) == kYes ? 1 : 0;
            continue;
        }
        auto value = static_cast<int32_t>(file.GetInt(row.section, row.key, row.defaultValue));
        bool storedAsRead = row.encoding == Encoding::kNumber || row.encoding == Encoding::kChoice;
        field = storedAsRead ? value : (value != 0 ? 1 : 0);
    }
}

void CClientSettings::WriteTo(CIniFile& file) {
    // The names are constants and the texts digits or Yes/No, which the
    // engine always accepts, so the writes need no checking.
    for (const SettingKey& row : kSettingKeys) {
        const int32_t field = this->*row.field;
        std::string digits;
        std::string_view text;
        switch (row.encoding) {
        case Encoding::kFlag:
        case Encoding::kChoice:
        case Encoding::kMarginHidden: text = FlagText(field); break;
        case Encoding::kNumber:
            // Not snprintf: the setup stub would link the C library's whole formatter.
            digits = std::to_string(static_cast<unsigned>(field));
            text = digits;
            break;
        case Encoding::kYesNo:
            DeriveScrollQuot(*this);
            text = ScrollQuot != 0 ? kYes : kNo;
            break;
        case Encoding::kMarginRight:
            // With the scale hidden the file keeps whatever side it named before.
            if (KLINENOLRMARGIN != 0) {
                continue;
            }
            text = FlagText(field);
            break;
        }
        file.SetString(row.section, row.key, text);
    }
}

IniStatus CClientSettings::Load(const os::NativePath& path) {
    CIniFile file;
    IniStatus status = file.Load(path);
    ReadFrom(file);
    return status;
}

IniStatus CClientSettings::Save(const os::NativePath& path) {
    DeriveScrollQuot(*this);
    CIniFile file;
    IniStatus status = file.Load(path);
    if (status != IniStatus::kOk) {
        // Writing now would replace a file that could not be read with one
        // holding only the record's keys.
        return status;
    }
    WriteTo(file);
    return file.Modified() ? file.Save(path) : IniStatus::kOk;
}

}  // namespace voz
