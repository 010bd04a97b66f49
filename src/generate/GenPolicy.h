#ifndef PWDPOLICY_GENERATE_GENPOLICY_H
#define PWDPOLICY_GENERATE_GENPOLICY_H

// What both policy generators take from the snapshot in force: policy
// `policyId`'s special set (a text that never changes, so a reload cannot
// change it under the generator) and, when *pwdLen is below 6, the policy's
// minlen written to *pwdLen. Initialises the component without the dictionary when needed.
// PPC_OK, or PPC_ERR_NO_POLICY with nothing written. The snapshot is read
// only for this, so a publication never waits on the generation.
unsigned int TakePolicyForGeneration(int policyId, unsigned int* pwdLen, const char** specialChars);

#endif  // PWDPOLICY_GENERATE_GENPOLICY_H
