// MessageRoute: one entry of a dialog class's routing table, mapping a message (and,
// for WM_COMMAND, a control id and notification code) to a member handler.
//
// A dialog class declares its table as a static const array and hands it to Route()
// from its OnMessage override:
//
//   const MessageRoute<CMyDlg> CMyDlg::kRoutes[] = {
//       MessageEntry<CMyDlg, &CMyDlg::OnPaint>(WM_PAINT),
//       CommandEntry<CMyDlg, &CMyDlg::OnStart>(IDC_START, BN_CLICKED),
//   };
//   bool CMyDlg::OnMessage(const Message& m, LRESULT& r) { return Route(*this, kRoutes, m, r); }
//
// Handlers take one of these forms:
//   void Handler()                         handled
//   bool Handler()                         true = handled, false = default processing
//   bool Handler(WPARAM, LPARAM)           the message's parameters; same result
//   HICON Handler()                        handled; the icon is the message's result
#pragma once

#include <windows.h>

#include <cstddef>

struct Message {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
};

template <class D>
struct MessageRoute {
    UINT message;
    int controlId;     // WM_COMMAND only: the sending control's id
    int notification;  // WM_COMMAND only: the notification code
    // Runs the handler; false asks for the dialog's default processing.
    bool (*invoke)(D& dialog, const Message& message, LRESULT& result);
};

namespace route_detail {

template <class D>
bool Call(D& d, void (D::*handler)(), const Message&, LRESULT&) {
    (d.*handler)();
    return true;
}

template <class D>
bool Call(D& d, bool (D::*handler)(), const Message&, LRESULT&) {
    return (d.*handler)();
}

template <class D>
bool Call(D& d, bool (D::*handler)(WPARAM, LPARAM), const Message& m, LRESULT&) {
    return (d.*handler)(m.wParam, m.lParam);
}

template <class D>
bool Call(D& d, HICON (D::*handler)(), const Message&, LRESULT& result) {
    result = reinterpret_cast<LRESULT>((d.*handler)());
    return true;
}

template <class D, auto handler>
bool Invoke(D& dialog, const Message& message, LRESULT& result) {
    return Call<D>(dialog, handler, message, result);
}

}  // namespace route_detail

// An entry for a message other than WM_COMMAND.
template <class D, auto handler>
constexpr MessageRoute<D> MessageEntry(UINT message) {
    return {message, 0, 0, &route_detail::Invoke<D, handler>};
}

// An entry for WM_COMMAND from one control with one notification code.
template <class D, auto handler>
constexpr MessageRoute<D> CommandEntry(int controlId, int notification) {
    return {WM_COMMAND, controlId, notification, &route_detail::Invoke<D, handler>};
}

template <class D>
bool Matches(const MessageRoute<D>& route, const Message& message) {
    if (route.message != message.id) return false;
    if (message.id != WM_COMMAND) return true;
    return route.controlId == LOWORD(message.wParam) && route.notification == HIWORD(message.wParam);
}

// Finds the first entry of table that matches message and runs its handler.
// Returns false when no entry matches or the handler asks for default processing.
template <class D, std::size_t N>
bool Route(D& dialog, const MessageRoute<D> (&table)[N], const Message& message, LRESULT& result) {
    for (const MessageRoute<D>& route : table) {
        if (Matches(route, message)) return route.invoke(dialog, message, result);
    }
    return false;
}
