// The calib subcommands of tyxgeo.
#include "cli_common.h"

namespace tyx::cli {

void AddCalibCommands(CLI::App& /*App*/)
{
    // Not yet built.
}

} // namespace tyx::cli
