#include "settings/page_fields.h"

#include <gtest/gtest.h>

#include "settings/ini_file.h"

namespace voz {
namespace {

// The record as read from a Voz.ini without any key.
CClientSettings Defaults() {
    CClientSettings settings;
    settings.ReadFrom(CIniFile());
    return settings;
}

TEST(PageFields, DefaultsShowTheClientsOwnDefaults) {
    const CClientSettings settings = Defaults();
    ToolbarPageFields toolbar;
    OrderPageFields order;
    ChartPageFields chart;
    LoadToolbarPage(settings, toolbar);
    LoadOrderPage(settings, order);
    LoadChartPage(settings, chart);
    EXPECT_EQ(toolbar.m_nToolBar, kBarTop);
    EXPECT_EQ(toolbar.m_nNewsBar, kNewsShown);
    EXPECT_EQ(toolbar.m_nTabBar, kBarOtherSide);  // "下方"
    EXPECT_EQ(toolbar.m_nVuToolBar, 1);
    EXPECT_EQ(order.m_nZqTrader, 0);
    EXPECT_EQ(order.m_nOrderBoard, 0);
    EXPECT_EQ(chart.m_nTaTabBtn, 1);
    EXPECT_EQ(chart.m_nWheel, 1);  // "切换K线图合约"
}

TEST(PageFields, AHiddenBarShowsHiddenWhateverItsDock) {
    CClientSettings settings;
    ToolbarPageFields fields;
    for (int32_t dock : {0, 1}) {
        settings.ToolBar = 0;
        settings.ToolbarDockR = dock;
        settings.TabBar = 0;
        settings.TabBarDock = dock;
        LoadToolbarPage(settings, fields);
        EXPECT_EQ(fields.m_nToolBar, kBarHidden);
        EXPECT_EQ(fields.m_nTabBar, kBarHidden);
    }
    settings.ToolBar = 1;
    settings.ToolbarDockR = 1;
    settings.TabBar = 1;
    settings.TabBarDock = 0;
    LoadToolbarPage(settings, fields);
    EXPECT_EQ(fields.m_nToolBar, kBarOtherSide);
    EXPECT_EQ(fields.m_nTabBar, kBarTop);
}

TEST(PageFields, StoringHiddenKeepsTheDockKeys) {
    for (int32_t dock : {0, 1}) {
        CClientSettings settings;
        settings.ToolBar = 1;
        settings.TabBar = 1;
        settings.ToolbarDockR = dock;
        settings.TabBarDock = dock;
        ToolbarPageFields fields;
        fields.m_nToolBar = kBarHidden;
        fields.m_nTabBar = kBarHidden;
        StoreToolbarPage(fields, settings);
        EXPECT_EQ(settings.ToolBar, 0);
        EXPECT_EQ(settings.TabBar, 0);
        EXPECT_EQ(settings.ToolbarDockR, dock);
        EXPECT_EQ(settings.TabBarDock, dock);
    }
}

TEST(PageFields, StoringAShownBarSetsItsDock) {
    CClientSettings settings;
    ToolbarPageFields fields;
    fields.m_nToolBar = kBarOtherSide;  // "右侧"
    fields.m_nTabBar = kBarTop;         // "上方"
    StoreToolbarPage(fields, settings);
    EXPECT_EQ(settings.ToolBar, 1);
    EXPECT_EQ(settings.ToolbarDockR, 1);
    EXPECT_EQ(settings.TabBar, 1);
    EXPECT_EQ(settings.TabBarDock, 0);

    fields.m_nToolBar = kBarTop;
    fields.m_nTabBar = kBarOtherSide;  // "下方"
    StoreToolbarPage(fields, settings);
    EXPECT_EQ(settings.ToolbarDockR, 0);
    EXPECT_EQ(settings.TabBarDock, 1);
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

TEST(PageFields, HiddenCheckBoxAndPlainKeysRoundTrip) {
    CClientSettings settings;
    settings.m_nRirurAzToolBar = 0;
    settings.ZqTraderIsUse = 1;
    settings.ORDERBOARDTYPE = 1;
    settings.SHOWTATABBTN = 0;
    settings.WHELLCHANGECON = 0;
    ToolbarPageFields toolbar;
    OrderPageFields order;
    ChartPageFields chart;
    LoadToolbarPage(settings, toolbar);
    LoadOrderPage(settings, order);
    LoadChartPage(settings, chart);
    EXPECT_EQ(toolbar.m_nVuToolBar, 0);
    EXPECT_EQ(order.m_nZqTrader, 1);
    EXPECT_EQ(order.m_nOrderBoard, 1);
    EXPECT_EQ(chart.m_nTaTabBtn, 0);
    EXPECT_EQ(chart.m_nWheel, 0);

    CClientSettings stored;
    StoreToolbarPage(toolbar, stored);
    StoreOrderPage(order, stored);
    StoreChartPage(chart, stored);
    EXPECT_EQ(stored.m_nRirurAzToolBar, 0);
    EXPECT_EQ(stored.ZqTraderIsUse, 1);
    EXPECT_EQ(stored.ORDERBOARDTYPE, 1);
    EXPECT_EQ(stored.SHOWTATABBTN, 0);
    EXPECT_EQ(stored.WHELLCHANGECON, 0);
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

}  // namespace
}  // namespace voz
