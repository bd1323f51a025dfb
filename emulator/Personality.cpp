#include "emulator/Personality.h"

namespace emulator {

namespace {

Personality MakeSecurityUnit()
{
    Personality su;
    su.name = "su";
    su.deviceName = "SecModuleDevice0";
    su.identity = {"033612152010", "0", "5A3C91", "700", "SU0000012345"};
    AddIdentityHandlers(su.handlers);
    AddLightsHandlers(su.handlers);
    AddEasLaneLightHandlers(su.handlers);
    AddEBoxHandlers(su.handlers);
    AddScaleHandlers(su.handlers);
    AddUploadHandlers(su.handlers);
    AddSettingsHandlers(su.handlers);
    AddPowerRelayHandlers(su.handlers);
    AddServiceHandlers(su.handlers);
    AddSensormaticHandlers(su.handlers);
    AddCouponBoxHandlers(su.handlers);
    return su;
}

Personality MakeConveyorUnit()
{
    Personality cu;
    cu.name = "cu";
    cu.deviceName = "ConvUnitDevice0";
    cu.identity = {"041003222012", "0", "C07E22", "100", "CU0000067890"};
    AddIdentityHandlers(cu.handlers);
    AddEasLaneLightHandlers(cu.handlers);
    AddEBoxHandlers(cu.handlers);
    AddUploadHandlers(cu.handlers);
    AddSettingsHandlers(cu.handlers);
    AddCuFlatpackHandlers(cu.handlers);
    AddServiceHandlers(cu.handlers);
    AddSensormaticHandlers(cu.handlers);
    AddConveyorHandlers(cu.handlers);
    return cu;
}

}  // namespace

const Personality* FindPersonality(const std::string& name)
{
    static const Personality securityUnit = MakeSecurityUnit();
    static const Personality conveyorUnit = MakeConveyorUnit();
    if (name == "su") return &securityUnit;
    if (name == "cu") return &conveyorUnit;
    return nullptr;
}

}  // namespace emulator
