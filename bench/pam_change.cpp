// pam_change CONFDIR SERVICE PASSWORD: one password change through libpam,
// as passwd makes it, with the service file from CONFDIR instead of
// /etc/pam.d (pam_start_confdir: no root, no system stack). The conversation
// answers every hidden prompt with PASSWORD. Exits 0 when pam_chauthtok
// succeeded, 1 when it refused, 2 on a usage or setup error.
//
// Links libpam only: the module pulls in libpwdpolicy when libpam loads it,
// so each run pays what a fresh passwd process pays.
#include <security/pam_appl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Answer(int count, const struct pam_message** messages, struct pam_response** responses,
           void* password) {
    auto* replies = static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (replies == nullptr) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF) {
            replies[i].resp = strdup(static_cast<const char*>(password));
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: pam_change CONFDIR SERVICE PASSWORD\n");
        return 2;
    }
    const pam_conv conv{Answer, argv[3]};
    pam_handle_t* pamh = nullptr;
    if (pam_start_confdir(argv[2], "bench", &conv, argv[1], &pamh) != PAM_SUCCESS) return 2;
    const int status = pam_chauthtok(pamh, 0);
    pam_end(pamh, status);
    return status == PAM_SUCCESS ? 0 : 1;
}
