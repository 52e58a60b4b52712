#include "settings/page_fields.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "settings/ini_file.h"

namespace voz {
namespace {

// The record as read from a Voz.ini without any key.
CClientSettings Defaults() {
    CClientSettings settings;
    settings.ReadFrom(CIniFile());
    return settings;
}

TEST(PageFields, DefaultsShowTheClientsOwnBars) {
    ToolbarPageFields toolbar;
    LoadToolbarPage(Defaults(), toolbar);
    EXPECT_EQ(toolbar.m_nToolBar, kBarTop);
    EXPECT_EQ(toolbar.m_nNewsBar, kNewsShown);
    EXPECT_EQ(toolbar.m_nTabBar, kBarOtherSide);  // "下方"
}

// The keys a page shows as they are, the hidden check box among them: the
// defaults ("切换K线图合约" checked, say) and each of them changed, shown by the
// pages and stored back from them into a fresh record.
TEST(PageFields, PlainKeysAndTheHiddenCheckBoxRoundTrip) {
    CClientSettings changed = Defaults();
    changed.m_nRirurAzToolBar = 0;
    changed.ZqTraderIsUse = 1;
    changed.ORDERBOARDTYPE = 1;
    changed.SHOWTATABBTN = 0;
    changed.WHELLCHANGECON = 0;
    const std::pair<CClientSettings, std::array<int32_t, 5>> cases[] = {{Defaults(), {1, 0, 0, 1, 1}},
                                                                        {changed, {0, 1, 1, 0, 0}}};
    for (const auto& [settings, values] : cases) {
        ToolbarPageFields toolbar;
        OrderPageFields order;
        ChartPageFields chart;
        LoadToolbarPage(settings, toolbar);
        LoadOrderPage(settings, order);
        LoadChartPage(settings, chart);
        EXPECT_EQ((std::array{toolbar.m_nVuToolBar, order.m_nZqTrader, order.m_nOrderBoard, chart.m_nTaTabBtn,
                              chart.m_nWheel}),
                  values);
        CClientSettings stored;
        StoreToolbarPage(toolbar, stored);
        StoreOrderPage(order, stored);
        StoreChartPage(chart, stored);
        EXPECT_EQ((std::array{stored.m_nRirurAzToolBar, stored.ZqTraderIsUse, stored.ORDERBOARDTYPE,
                              stored.SHOWTATABBTN, stored.WHELLCHANGECON}),
                  values);
    }
}

// A bar's two keys (shown, dock) and the list entry that stands for them,
// for the tool bar and the bookmark bar at once (each with another case, so
// that keys of one bar used for the other show). A hidden bar keeps its dock
// key when stored; a shown one sets it.
TEST(PageFields, BarKeysAndListEntriesMapBothWays) {
    struct Case {
        int32_t shown, dock;
        int entry;
    };
    const Case cases[] = {{0, 0, kBarHidden}, {0, 1, kBarHidden}, {1, 0, kBarTop}, {1, 1, kBarOtherSide}};
    for (size_t i = 0; i < 4; ++i) {
        const Case& tool = cases[i];
        const Case& tab = cases[3 - i];
        CClientSettings settings;
        settings.ToolBar = tool.shown, settings.ToolbarDockR = tool.dock;
        settings.TabBar = tab.shown, settings.TabBarDock = tab.dock;
        ToolbarPageFields fields;
        LoadToolbarPage(settings, fields);
        EXPECT_EQ(fields.m_nToolBar, tool.entry) << i;
        EXPECT_EQ(fields.m_nTabBar, tab.entry) << i;

        CClientSettings stored;
        stored.ToolBar = 1 - tool.shown, stored.ToolbarDockR = tool.shown ? 1 - tool.dock : tool.dock;
        stored.TabBar = 1 - tab.shown, stored.TabBarDock = tab.shown ? 1 - tab.dock : tab.dock;
        StoreToolbarPage(fields, stored);
        EXPECT_EQ(stored.ToolBar, tool.shown) << i;
        EXPECT_EQ(stored.ToolbarDockR, tool.dock) << i;
        EXPECT_EQ(stored.TabBar, tab.shown) << i;
        EXPECT_EQ(stored.TabBarDock, tab.dock) << i;
    }
}

TEST(PageFields, NewsListIsTheInverseOfIndexBar) {
    CClientSettings settings;
    ToolbarPageFields fields;
    fields.m_nNewsBar = kNewsShown;
    StoreToolbarPage(fields, settings);
    EXPECT_EQ(settings.IndexBar, 1);
    fields.m_nNewsBar = kNewsHidden;
    StoreToolbarPage(fields, settings);
    EXPECT_EQ(settings.IndexBar, 0);
    LoadToolbarPage(settings, fields);
    EXPECT_EQ(fields.m_nNewsBar, kNewsHidden);
}

TEST(PageFields, AnOrderBoardWithoutSelectionIsSavedAsOne) {
    // A list without a selection stores -1; the record writes a non-zero choice as "1".
    CClientSettings settings = Defaults();
    OrderPageFields order;
    order.m_nOrderBoard = -1;
    StoreOrderPage(order, settings);
    CIniFile file;
    settings.WriteTo(file);
    EXPECT_EQ(file.GetString("GENERALTRADE", "ORDERBOARDTYPE", "", 20), "1");
}

// Stored untouched, a value comes back as the page's control holds it: a check
// box 0 or 1, a list one of its items or none; a bar's dock key as it was.
TEST(PageFields, UntouchedPagesStoreWhatTheirControlsHold) {
    CClientSettings settings = Defaults();
    settings.m_nRirurAzToolBar = 7, settings.ZqTraderIsUse = -2, settings.SHOWTATABBTN = 0;
    settings.ORDERBOARDTYPE = 2, settings.WHELLCHANGECON = 1;
    settings.ToolBar = 0, settings.ToolbarDockR = 5, settings.IndexBar = 3;
    StoreUntouchedPages(settings);
    EXPECT_EQ(
        (std::array{settings.m_nRirurAzToolBar, settings.ZqTraderIsUse, settings.SHOWTATABBTN, settings.ORDERBOARDTYPE,
                    settings.WHELLCHANGECON, settings.ToolBar, settings.ToolbarDockR, settings.IndexBar}),
        (std::array<int32_t, 8>{1, 1, 0, -1, 1, 0, 5, 1}));
}

}  // namespace
}  // namespace voz
