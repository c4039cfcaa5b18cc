#include "driver/tessarel.h"
#include "support/stat_utils.h"

int main() { return run_tessarel(get_randomSeedFromCurrentTime); }
