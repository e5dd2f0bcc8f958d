#pragma once

#include <windows.h>

#define afx_msg

class CCmdTarget;

// One message-map row. The handler is a thunk that casts the target back to the class
// that declared the row and calls its member with the message's unpacked arguments.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;  // window message, or WM_COMMAND for command rows
    UINT nCode;     // notification code for WM_COMMAND rows
    UINT nID;       // control or command id for WM_COMMAND rows
    AFX_PMSG pfn;   // NULL ends the table
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Anything with a message map: windows and the application object.
class CCmdTarget
{
public:
    virtual ~CCmdTarget() {}

    // Looks up the row for (nMessage, nCode, nID) in this class's table and its bases';
    // NULL when none handles it.
    const AFX_MSGMAP_ENTRY* FindEntry(UINT nMessage, UINT nCode, UINT nID) const;
    // Runs the command handler for nID, if one exists; FALSE when none does.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

    static const AFX_MSGMAP* GetThisMessageMap();

protected:
    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
};

#define DECLARE_MESSAGE_MAP() \
public: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
protected: \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass; \
        typedef baseClass TheBaseClass; \
        (void)sizeof(ThisClass); \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, NULL } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, _messageEntries }; \
        return &messageMap; \
    }

#define AFX_THUNK(body) \
    [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam) -> LRESULT \
    { \
        ThisClass* p = static_cast<ThisClass*>(pTarget); \
        (void)p; (void)wParam; (void)lParam; \
        body; \
    }

#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, AFX_THUNK(p->OnPaint(); return 0) },
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, AFX_THUNK(p->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0) },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(p->OnQueryDragIcon())) },
#define ON_WM_ACTIVATE() \
    { WM_ACTIVATE, 0, 0, AFX_THUNK( \
        p->OnActivate(LOWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam)); \
        return 0) },
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, id, AFX_THUNK(p->memberFxn(); return 0) },
#define ON_BN_CLICKED(id, memberFxn) \
    { WM_COMMAND, BN_CLICKED, id, AFX_THUNK(p->memberFxn(); return 0) },
