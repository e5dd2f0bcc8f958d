#include "ProgramTest.h"

const char* const kMakerKey = "Software\\Halvik";
const char* const kProductKey = "Software\\Halvik\\Orvalis";
const char* const kAppTitle = "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄﾗｰ";
const char* const kInstalledFolder = "C:\\Program Files\\Orvalis";
