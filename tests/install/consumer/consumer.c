/* An outside program built against an installed PwdPolicy, calling only what needs no
 * configuration, so that it runs on any machine. */
#include <pwdpolicy.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void) {
    char* pwd = NULL;
    unsigned int length = 12;
    if (PPC_GenSecPwd("!#", &pwd, &length) != PPC_OK || strlen(pwd) != 12) return 1;
    free(pwd);
    printf("consumer of PwdPolicy %s works\n", PPC_VERSION);
    return 0;
}
