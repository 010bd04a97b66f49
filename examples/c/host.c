/*
 * A minimal C host of PwdPolicy: initialise, judge a password, generate
 * one, release it, finalise. Build: cc host.c $(pkg-config --cflags --libs pwdpolicy)
 * It reads the configuration at PPC_CONFIG_PATH, like every host.
 */
#include <pwdpolicy.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* pwd = argc > 1 ? argv[1] : "Blue-Kettle-42";

    /* No timer (0): a short-lived program needs no reloads. Dictionary on (1). */
    unsigned int code = PPC_Initialize(NULL, 0, 1);
    if (code != PPC_OK) {
        fprintf(stderr, "PPC_Initialize failed: %u\n", code);
        return 1;
    }

    unsigned int verdict = 0;
    code = PPC_IsMatchPolicy(pwd, 0, 0, &verdict);
    if (code != PPC_OK) {
        fprintf(stderr, "PPC_IsMatchPolicy failed: %u\n", code);
        PPC_Finalize();
        return 1;
    }
    printf("verdict for policy 0: %u%s\n", verdict, verdict == PPC_MATCH ? " (matches)" : "");

    unsigned int isStrong = 0;
    if (PPC_IsStrongPwd(pwd, &isStrong) == PPC_OK) printf("strong: %s\n", isStrong ? "yes" : "no");

    char* generated = NULL;
    unsigned int length = 0; /* 0: the policy's minimum length */
    code = PPC_GenDefaultSecPwd(&generated, &length);
    if (code == PPC_OK) {
        printf("generated a password of %u characters\n", length);
        free(generated); /* the caller owns the buffer */
    }

    PPC_Finalize();
    return code == PPC_OK ? 0 : 1;
}
