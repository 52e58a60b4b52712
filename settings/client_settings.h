// The installed client's options as kept in its Voz.ini: one signed 32-bit
// field per key, named exactly as the key is spelled in the file.
#pragma once

#include <cstdint>

#include "os/native_path.h"
#include "settings/ini_file.h"

namespace voz {

class CClientSettings {
public:
    // Reads every key in table order; a missing file, section or key gives
    // the key's default. Every field is assigned whatever the result, which
    // reports a file that exists but could not be read.
    IniStatus Load(const os::NativePath& path);

    // Writes every key in table order into the file, keeping all other lines.
    // Sets ScrollQuot from ScrollPeriod first. The file is replaced in one
    // step: on any failure it keeps its old content and the result says why.
    IniStatus Save(const os::NativePath& path);

    // The same, on a file already in memory.
    void ReadFrom(const CIniFile& file);
    void WriteTo(CIniFile& file);

    int32_t AUTOUPDATAOPINT = 0;
    int32_t SQou1NewCome = 0;
    int32_t DeltaNewShowRG = 0;
    int32_t UDColorMode = 0;
    int32_t ZqTraderIsUse = 0;
    int32_t QuoteFieldAutoSave = 0;
    int32_t QuoteAutoSave = 0;
    int32_t SQuost1ShowLevel2 = 0;
    int32_t ShfmeSQuost1ShowLevel2 = 0;
    int32_t CzceSQuost1ShowLevel2 = 0;
    int32_t ZgjrSQuost1ShowLevel2 = 0;
    int32_t GYMulArchivePrice = 0;
    int32_t SQuost1ShowDetail = 0;
    int32_t HasFrame = 0;
    int32_t SpecialStyle = 0;
    int32_t FILTRBIDASKPRICE = 0;
    int32_t ScrollQuot = 0;
    int32_t ScrollPeriod = 0;
    int32_t ScrollLinesPerTime = 0;
    int32_t TADBLCLICKMENU = 0;
    int32_t Today = 0;
    int32_t WHELLCHANGECON = 0;
    int32_t ShowPrice = 0;
    int32_t KLINENOLRMARGIN = 0;
    int32_t COORINATERIGHT = 0;
    int32_t QlrtTaQlrt = 0;
    int32_t StockEx = 0;
    int32_t QuotAllWndSelect = 0;
    int32_t SHOWTATABBTN = 0;
    int32_t StockLinkage = 0;
    int32_t SavePageByScale = 0;
    int32_t SHOWZBTAB = 0;
    int32_t FatKLine = 0;
    int32_t SolidKLine = 0;
    int32_t SEPERATORLINE = 0;
    int32_t USEQUESTIONMARK = 0;
    int32_t ZBIN1LINE = 0;
    int32_t HighLow = 0;
    int32_t KLineNews = 0;
    int32_t USEPAGETASET = 0;
    int32_t CompressTick = 0;
    int32_t FOURKLINE = 0;
    int32_t STOPLOST_LINE = 0;
    int32_t KeepKLineSpan = 0;
    int32_t ALSOSHOWINNERTRADEDETAIL = 0;
    int32_t CustomPeriod = 0;
    int32_t AutoSaveLine = 0;
    int32_t AutoSaveStd = 0;
    int32_t CoordKLine = 0;
    int32_t NetLine = 0;
    int32_t VerNetLine = 0;
    int32_t QueryPrice = 0;
    int32_t NetLineSpan = 0;
    int32_t AlsoShowNewPrice = 0;
    int32_t HLDisplayRate = 0;
    int32_t ShowKLinePixel = 0;
    int32_t ShowKLineType = 0;
    int32_t SMALLQUOTDVOL = 0;
    int32_t AutoSpecialTa = 0;
    int32_t SpecialQLRT = 0;
    int32_t SpecialTick = 0;
    int32_t FUROVERLAPSTOCK = 0;
    int32_t FUROVERLAPSTOCKRANK = 0;
    int32_t BasePrice = 0;
    int32_t UseMa = 0;
    int32_t SHOWVOL = 0;
    int32_t m_nRirurAzToolBar = 0;
    int32_t IndexBar = 0;
    int32_t TabBar = 0;
    int32_t TabBarDock = 0;
    int32_t ToolBar = 0;
    int32_t ToolbarDockR = 0;
    int32_t ORDERBOARDTYPE = 0;
};

}  // namespace voz
