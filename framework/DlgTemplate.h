#pragma once

#include <windows.h>

#include <vector>

// The one reader of dialog templates, both the classic DLGTEMPLATE and DLGTEMPLATEEX.
namespace DlgTemplate
{
    // Where the fixed header keeps its style words and where its variable part (menu,
    // class, caption, font) begins; the two forms differ in all three.
    struct Header
    {
        BOOL bEx;
        size_t cbStyle;     // offset of the style
        size_t cbExStyle;   // offset of the extended style
        size_t cbVariable;  // offset of the menu entry
    };

    struct FontInfo
    {
        WORD wPointSize;
        WORD wWeight;
        BYTE bItalic;
        BYTE bCharSet;
        const WCHAR* pszFace;
        size_t cbFontStart;  // offset of the point size
        size_t cbItemsStart; // offset of the first control, DWORD aligned
    };

    // FALSE when cb bytes cannot hold the header.
    BOOL ReadHeader(const BYTE* pTemplate, size_t cb, Header& header);
    // Reads the font of a template of cb bytes; FALSE without one.
    BOOL GetFont(const BYTE* pTemplate, size_t cb, FontInfo& info);
    // Copy of the template with the given font; empty when the template has no font.
    std::vector<DWORD> ReplaceFont(const BYTE* pTemplate, size_t cb, WORD wPointSize, const WCHAR* pszFace);
    // The template of a dialog resource, NULL when the module has none of that id.
    const BYTE* Load(HMODULE hModule, UINT nID, size_t& cb);
}
