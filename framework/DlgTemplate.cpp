#include "DlgTemplate.h"

#include <stddef.h>
#include <string.h>
#include <wchar.h>

namespace
{
const WORD kSignatureEx = 0xFFFF;
const size_t kClassicHeaderSize = 18;
const size_t kExHeaderSize = 26;

size_t SkipSzOrOrd(const BYTE* p, size_t offset, size_t cb)
{
    if (offset + 2 > cb)
        return cb;
    WORD w = *reinterpret_cast<const WORD*>(p + offset);
    if (w == 0x0000)
        return offset + 2;
    if (w == 0xFFFF)
        return offset + 4;
    while (offset + 2 <= cb && *reinterpret_cast<const WORD*>(p + offset) != 0)
        offset += 2;
    return offset + 2;
}

size_t AlignDword(size_t offset)
{
    return (offset + 3) & ~static_cast<size_t>(3);
}
}

BOOL DlgTemplate::ReadHeader(const BYTE* p, size_t cb, Header& header)
{
    if (p == NULL || cb < kClassicHeaderSize)
        return FALSE;
    header.bEx = reinterpret_cast<const WORD*>(p)[1] == kSignatureEx;
    if (header.bEx)
    {
        // version, signature, help id, extended style, style, ...
        header.cbExStyle = 8;
        header.cbStyle = 12;
        header.cbVariable = kExHeaderSize;
        return cb >= kExHeaderSize;
    }
    header.cbStyle = offsetof(DLGTEMPLATE, style);
    header.cbExStyle = offsetof(DLGTEMPLATE, dwExtendedStyle);
    header.cbVariable = kClassicHeaderSize;
    return TRUE;
}

BOOL DlgTemplate::GetFont(const BYTE* p, size_t cb, FontInfo& info)
{
    Header header;
    if (!ReadHeader(p, cb, header))
        return FALSE;
    const BOOL bEx = header.bEx;
    DWORD dwStyle;
    memcpy(&dwStyle, p + header.cbStyle, sizeof(dwStyle));
    size_t offset = header.cbVariable;
    if (!(dwStyle & DS_SETFONT))
        return FALSE;
    offset = SkipSzOrOrd(p, offset, cb);  // menu
    offset = SkipSzOrOrd(p, offset, cb);  // class
    offset = SkipSzOrOrd(p, offset, cb);  // caption
    info.cbFontStart = offset;
    if (offset + 2 > cb)
        return FALSE;
    info.wPointSize = *reinterpret_cast<const WORD*>(p + offset);
    offset += 2;
    info.wWeight = FW_NORMAL;
    info.bItalic = FALSE;
    info.bCharSet = DEFAULT_CHARSET;
    if (bEx)
    {
        if (offset + 4 > cb)
            return FALSE;
        info.wWeight = *reinterpret_cast<const WORD*>(p + offset);
        info.bItalic = p[offset + 2];
        info.bCharSet = p[offset + 3];
        offset += 4;
    }
    info.pszFace = reinterpret_cast<const WCHAR*>(p + offset);
    offset = SkipSzOrOrd(p, offset, cb);
    if (offset > cb)
        return FALSE;
    info.cbItemsStart = AlignDword(offset);
    return TRUE;
}

std::vector<DWORD> DlgTemplate::ReplaceFont(const BYTE* p, size_t cb, WORD wPointSize, const WCHAR* pszFace)
{
    Header header;
    FontInfo info;
    if (!ReadHeader(p, cb, header) || !GetFont(p, cb, info))
        return std::vector<DWORD>();
    const BOOL bEx = header.bEx;
    const size_t cbFace = (wcslen(pszFace) + 1) * sizeof(WCHAR);
    size_t cbHeader = info.cbFontStart + 2 + (bEx ? 4 : 0) + cbFace;
    size_t cbNewItems = AlignDword(cbHeader);
    size_t cbTail = cb > info.cbItemsStart ? cb - info.cbItemsStart : 0;
    std::vector<DWORD> result((cbNewItems + cbTail + 3) / 4, 0);
    BYTE* q = reinterpret_cast<BYTE*>(result.data());
    memcpy(q, p, info.cbFontStart);
    size_t offset = info.cbFontStart;
    memcpy(q + offset, &wPointSize, 2);
    offset += 2;
    if (bEx)
    {
        memcpy(q + offset, p + info.cbFontStart + 2, 4);  // weight, italic, character set
        offset += 4;
    }
    memcpy(q + offset, pszFace, cbFace);
    memcpy(q + cbNewItems, p + info.cbItemsStart, cbTail);
    return result;
}

const BYTE* DlgTemplate::Load(HMODULE hModule, UINT nID, size_t& cb)
{
    cb = 0;
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (hRes == NULL)
        return NULL;
    HGLOBAL hGlobal = LoadResource(hModule, hRes);
    if (hGlobal == NULL)
        return NULL;
    cb = SizeofResource(hModule, hRes);
    return static_cast<const BYTE*>(LockResource(hGlobal));
}
