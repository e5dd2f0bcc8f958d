#include "ProgramTest.h"

const char* const kAppTitle = "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄﾗｰ";
const char* const kInstalledFolder = "C:\\Program Files\\Orvalis";
