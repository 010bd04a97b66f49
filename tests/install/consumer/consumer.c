/* An outside program built against an installed PwdPolicy, calling only what needs no
 * configuration, so that it runs on any machine. */
#include <pwdpolicy.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void) {
    char* pwd = NULL;
    unsigned int length = 12;
    if (PPC_GenSecPwd("!#", &pwd, &length) != PPC_OK || length != 12 || strlen(pwd) != 12) return 1;
    free(pwd);
    int limits[5] = {0};
    const char* special = NULL;
    /* Nothing is loaded: the fallback values. */
    if (PPC_GetPolicy(7, limits, 5, &special) != PPC_ERR_NO_POLICY || limits[1] != 32) return 1;
    printf("consumer of PwdPolicy %s works\n", PPC_VERSION);
    return 0;
}
