// The values the three settings pages edit, as the pages hold them: one
// signed 32-bit field per control, a check box as 0 or 1 and a drop-down list
// as the index of its selected item (-1 for none). Load sets the fields from
// the settings record once the installed Voz.ini has been read; store puts
// them back into the record on Finish.
#pragma once

#include <cstdint>

#include "settings/client_settings.h"

namespace voz {

// Items of the "工具条" and "书签工具条" lists: docked at the top, docked on
// the other side (right for the toolbar, bottom for the bookmark bar), hidden.
inline constexpr int32_t kBarTop = 0;
inline constexpr int32_t kBarOtherSide = 1;
inline constexpr int32_t kBarHidden = 2;
// Items of the "滚动新闻" list.
inline constexpr int32_t kNewsShown = 0;
inline constexpr int32_t kNewsHidden = 1;
// How many items the "星捷下单板" and "鼠标滚轮" lists hold.
inline constexpr int32_t kOrderBoardItems = 2;
inline constexpr int32_t kWheelItems = 2;

// "工具条" page: the hidden check box 1038 and lists 1036, 1037, 1035.
struct ToolbarPageFields {
    int32_t m_nVuToolBar = 0;  // 1038 "vu工具条是否显示"
    int32_t m_nNewsBar = 0;    // 1036 "滚动新闻"
    int32_t m_nTabBar = 0;     // 1037 "书签工具条"
    int32_t m_nToolBar = 0;    // 1035 "工具条"
};

// "行情与下单" page: list 1032 and check box 1015.
struct OrderPageFields {
    int32_t m_nOrderBoard = 0;  // 1032 "星捷下单板"
    int32_t m_nZqTrader = 0;    // 1015 "双击买卖价弹出星捷下单窗口"
};

// "K线图" page: check box 1030 and list 1002.
struct ChartPageFields {
    int32_t m_nTaTabBtn = 0;  // 1030 "图表窗口的小工具条是否显示(热键：Alt + B)"
    int32_t m_nWheel = 0;     // 1002 "鼠标滚轮"
};

void LoadToolbarPage(const CClientSettings& settings, ToolbarPageFields& fields);
void LoadOrderPage(const CClientSettings& settings, OrderPageFields& fields);
void LoadChartPage(const CClientSettings& settings, ChartPageFields& fields);

// A hidden bar keeps its dock key as it was, so the client puts it back where
// it was when it is shown again.
void StoreToolbarPage(const ToolbarPageFields& fields, CClientSettings& settings);
void StoreOrderPage(const OrderPageFields& fields, CClientSettings& settings);
void StoreChartPage(const ChartPageFields& fields, CClientSettings& settings);

// What Finish stores when the user has only paged through: every page loaded
// from the record and stored back as its controls hold the values (a check
// box 0 or 1, a list one of its items or none), without the pages' windows.
void StoreUntouchedPages(CClientSettings& settings);

}  // namespace voz
