#include "uninstall/RemovalProgress.h"

#include "framework/Wide.h"
#include "uninstall/UninstallProcedure.h"

namespace
{
// Each step's share of the bar, in the order the procedure runs them: the companion's wait and
// the two photo-sized folders take the time, the rest is quick.
const int kShares[] = { 300, 300, 300, 25, 25, 25, 25 };
const int kSteps = sizeof(kShares) / sizeof(kShares[0]);

const char* const kStepTexts[] = {
    "ｵﾙｳﾞｧﾘｽの後片付けを待っています…",
    "ｱﾙﾊﾞﾑを削除しています…",
    "ｲﾝｽﾄｰﾙ ﾌｫﾙﾀﾞを削除しています…",
    "ｽﾀｰﾄ ﾒﾆｭｰを削除しています…",
    "設定を削除しています…",
    "登録情報を削除しています…",
    "ｼｮｰﾄｶｯﾄを削除しています…",
};

static_assert(sizeof(kStepTexts) / sizeof(kStepTexts[0]) == kSteps, "one text per step");

// The number of files in a step is not known ahead: the bar goes half its share by this many
// and nears the end of it after that, and the step's end fills it.
const unsigned long kHalfShareFiles = 2000;

int ShareStart(int nStep)
{
    int nStart = 0;
    for (int i = 0; i < nStep; ++i)
        nStart += kShares[i];
    return nStart;
}

// "12,345", as the Japanese locale groups digits.
CString Grouped(unsigned long n)
{
    char szDigits[16];
    wsprintfA(szDigits, "%lu", n);
    CString str;
    const int nLen = lstrlenA(szDigits);
    for (int i = 0; i < nLen; ++i)
    {
        if (i > 0 && (nLen - i) % 3 == 0)
            str += ",";
        str += szDigits[i];
    }
    return str;
}
}

CRemovalProgress::CRemovalProgress(CRemovalListener* pNext)
    : m_nStep(-1), m_nDone(0), m_dwStepStart(0), m_nFiles(0), m_nStepFiles(0), m_nShown(0), m_pNext(pNext)
{
    ::InitializeCriticalSection(&m_lock);
}

CRemovalProgress::~CRemovalProgress()
{
    ::DeleteCriticalSection(&m_lock);
}

void CRemovalProgress::StepBegun(EStep step)
{
    if (m_pNext != NULL)
        m_pNext->StepBegun(step);
    ::EnterCriticalSection(&m_lock);
    m_nStep = step < kSteps ? step : -1;
    m_dwStepStart = ::GetTickCount();
    m_nStepFiles = 0;
    m_strFolder.clear();
    ::LeaveCriticalSection(&m_lock);
}

void CRemovalProgress::StepEnded(EStep step, EOutcome outcome)
{
    if (m_pNext != NULL)
        m_pNext->StepEnded(step, outcome);
    ::EnterCriticalSection(&m_lock);
    if (step < kSteps)
        m_nDone = ShareStart(step) + kShares[step];
    ::LeaveCriticalSection(&m_lock);
}

void CRemovalProgress::Folder(const std::wstring& strPath, EOutcome outcome)
{
    if (m_pNext != NULL)
        m_pNext->Folder(strPath, outcome);
}

void CRemovalProgress::EntryRemoved(const std::wstring& strPath)
{
    if (m_pNext != NULL)
        m_pNext->EntryRemoved(strPath);
    Entry(strPath, TRUE);
}

void CRemovalProgress::EntryFailed(const std::wstring& strPath, DWORD dwError)
{
    if (m_pNext != NULL)
        m_pNext->EntryFailed(strPath, dwError);
    Entry(strPath, FALSE);
}

// The folder shown is the entry's own: where the removal is now.
void CRemovalProgress::Entry(const std::wstring& strPath, BOOL bRemoved)
{
    const size_t nSlash = strPath.rfind(L'\\');
    ::EnterCriticalSection(&m_lock);
    if (bRemoved)
    {
        ++m_nFiles;
        ++m_nStepFiles;
    }
    if (nSlash != std::wstring::npos)
        m_strFolder.assign(strPath, 0, nSlash);
    ::LeaveCriticalSection(&m_lock);
}

// The companion's step moves with its fixed wait, a folder's with the files removed.
void CRemovalProgress::Read(int& nPos, CString& strStatus, CString& strFolder)
{
    std::wstring strWideFolder;
    ::EnterCriticalSection(&m_lock);
    int nNow = m_nDone;
    if (m_nStep >= 0)
    {
        double dFraction = 0;
        if (m_nStep == kCompanion)
            dFraction = static_cast<double>(::GetTickCount() - m_dwStepStart) / CUninstallProcedure::kCompanionWaitMs;
        else
            dFraction = static_cast<double>(m_nStepFiles) / (m_nStepFiles + kHalfShareFiles);
        if (dFraction > 0.95)
            dFraction = 0.95;
        const int nInStep = ShareStart(m_nStep) + static_cast<int>(kShares[m_nStep] * dFraction);
        if (nInStep > nNow)
            nNow = nInStep;
        strStatus = kStepTexts[m_nStep];
    }
    if (m_nFiles > 0)
        strStatus += " " + Grouped(m_nFiles) + " ﾌｧｲﾙ";
    if (nNow > m_nShown)
        m_nShown = nNow;
    nPos = m_nShown;
    strWideFolder = m_strFolder;
    ::LeaveCriticalSection(&m_lock);
    strFolder = Wide::ToAnsi(strWideFolder.c_str());
}
