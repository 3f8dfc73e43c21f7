#include "phone_media/callengine/QeloApi.h"

#include <atomic>

namespace {

std::atomic<const QeloApi*> g_api{nullptr};

} // namespace

const QeloApi& RealQeloApi()
{
    static const QeloApi api = {
        PW_start, PW_stop, PW_login, PW_logout, PW_call_phone, PW_call_nimbo, PW_on_hook, PW_off_hook,
        PW_send_DTMF, PW_set_option, PW_wave_path, PW_set_loglevel, PW_get_version,
        &QL_state, &QL_status, &QL_error, &QL_offhook, &QL_voice_stat, &QL_credit,
    };
    return api;
}

void SetQeloApi(const QeloApi* api) { g_api = api; }

const QeloApi& Qelo()
{
    const QeloApi* api = g_api.load();
    return api ? *api : RealQeloApi();
}
