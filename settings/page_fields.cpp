#include "settings/page_fields.h"

namespace voz {

namespace {

// A bar shown or hidden by one key and docked by another.
int32_t BarIndex(int32_t shown, int32_t docked) {
    if (shown == 0) {
        return kBarHidden;
    }
    return docked != 0 ? kBarOtherSide : kBarTop;
}

void StoreBar(int32_t index, int32_t& shown, int32_t& docked) {
    if (index == kBarHidden) {
        shown = 0;
        return;
    }
    shown = 1;
    docked = index != kBarTop ? 1 : 0;
}

// A value as a check box gives it back.
int32_t Checked(int32_t value) { return value != 0 ? 1 : 0; }

// A value as a list of `items` gives it back: an index without an item selects none.
int32_t Listed(int32_t value, int32_t items) { return value >= 0 && value < items ? value : -1; }

}  // namespace

void LoadToolbarPage(const CClientSettings& settings, ToolbarPageFields& fields) {
    fields.m_nVuToolBar = settings.m_nRirurAzToolBar;
    fields.m_nNewsBar = settings.IndexBar != 0 ? kNewsShown : kNewsHidden;
    fields.m_nTabBar = BarIndex(settings.TabBar, settings.TabBarDock);
    fields.m_nToolBar = BarIndex(settings.ToolBar, settings.ToolbarDockR);
}

void LoadOrderPage(const CClientSettings& settings, OrderPageFields& fields) {
    fields.m_nOrderBoard = settings.ORDERBOARDTYPE;
    fields.m_nZqTrader = settings.ZqTraderIsUse;
}

void LoadChartPage(const CClientSettings& settings, ChartPageFields& fields) {
    fields.m_nTaTabBtn = settings.SHOWTATABBTN;
    fields.m_nWheel = settings.WHELLCHANGECON;
}

void StoreToolbarPage(const ToolbarPageFields& fields, CClientSettings& settings) {
    settings.m_nRirurAzToolBar = fields.m_nVuToolBar;
    settings.IndexBar = fields.m_nNewsBar == kNewsShown ? 1 : 0;
    StoreBar(fields.m_nTabBar, settings.TabBar, settings.TabBarDock);
    StoreBar(fields.m_nToolBar, settings.ToolBar, settings.ToolbarDockR);
}

void StoreOrderPage(const OrderPageFields& fields, CClientSettings& settings) {
    settings.ORDERBOARDTYPE = fields.m_nOrderBoard;
    settings.ZqTraderIsUse = fields.m_nZqTrader;
}

void StoreChartPage(const ChartPageFields& fields, CClientSettings& settings) {
    settings.SHOWTATABBTN = fields.m_nTaTabBtn;
    settings.WHELLCHANGECON = fields.m_nWheel;
}

void StoreUntouchedPages(CClientSettings& settings) {
    // The toolbar page's lists always hold one of their items.
    ToolbarPageFields toolbar;
    LoadToolbarPage(settings, toolbar);
    toolbar.m_nVuToolBar = Checked(toolbar.m_nVuToolBar);
    OrderPageFields order;
    LoadOrderPage(settings, order);
    order.m_nOrderBoard = Listed(order.m_nOrderBoard, kOrderBoardItems);
    order.m_nZqTrader = Checked(order.m_nZqTrader);
    ChartPageFields chart;
    LoadChartPage(settings, chart);
    chart.m_nTaTabBtn = Checked(chart.m_nTaTabBtn);
    chart.m_nWheel = Listed(chart.m_nWheel, kWheelItems);
    StoreToolbarPage(toolbar, settings);
    StoreOrderPage(order, settings);
    StoreChartPage(chart, settings);
}

}  // namespace voz
