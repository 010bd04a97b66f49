// The native methods of com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.
//
// Each native converts its Java arguments, calls one PPC_ function and hands
// back that function's result code unchanged, the answer going into the
// caller's result object (see ResultObject.h). Status 1 means a JNI step
// failed; its exception stays pending and reaches the Java caller. The
// natives keep no state and take no lock; they are found by their JNI short
// names, so there is no registration function.
//
// The prototypes come from the header that javac generates from
// PwdPolicyAPI.java, so the compiler catches any drift between the two. A
// build without the jar has no such header; the natives are compiled all
// the same, so that every build of the library exports them.
#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <new>

#if __has_include("com_korvane_vesticor_pwdpolicy_PwdPolicyAPI.h")
#include "com_korvane_vesticor_pwdpolicy_PwdPolicyAPI.h"
#endif
#include "jni/JavaRefs.h"
#include "jni/ResultObject.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

constexpr jint kJniFailure = 1;

// Log function fields: the natives' exported names.
constexpr char kInitialize[] = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCInitialize";
constexpr char kIsWeakPwd[] = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsWeakPwd";
constexpr char kIsStrongPwd[] = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsStrongPwd";
constexpr char kIsMatchPolicy[] = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsMatchPolicy";
constexpr char kGenSecPwdByPolicy[] =
    "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenSecPwdByPolicy";
constexpr char kGenDefaultSecPwd[] =
    "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenDefaultSecPwd";
constexpr char kGenCryptoPwdByPolicy[] =
    "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenCryptoPwdByPolicy";
constexpr char kGetPolicy[] = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGetPolicy";

constexpr char kNullPassword[] = "password is null";

// Runs a native's body so that no C++ exception reaches the virtual
// machine: one that escapes becomes a Java error and status 1.
template <typename Body>
jint Guarded(JNIEnv* env, Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        ThrowJava(env, "java/lang/OutOfMemoryError", "PwdPolicy native ran out of memory");
    } catch (...) {
        ThrowJava(env, "java/lang/Error", "PwdPolicy native failed");
    }
    return kJniFailure;
}

// Hands a generated password to the result object, then wipes and frees the
// component's buffer whatever became of the hand-over.
jint HandOverPassword(JNIEnv* env, jobject result, char* pwd, unsigned int length) {
    const jint status = SetStringVal(env, result, pwd, static_cast<int>(length));
    explicit_bzero(pwd, length);
    free(pwd);
    return status;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCInitialize(
    JNIEnv* env, jclass, jstring jconfFile, jint timerStartInd, jint weakPwdUseInd) {
    return Guarded(env, [&]() -> jint {
        JavaUtf8Chars confFile(env, jconfFile, "confFile is null");
        if (!confFile.Read()) {
            PPC_LOG_ERROR(kInitialize, "PPC_Initialize ExceptionOccurred for jconfFile\n");
            return kJniFailure;
        }
        const unsigned int code = PPC_Initialize(confFile.Chars(), timerStartInd, weakPwdUseInd);
        confFile.Release();
        return static_cast<jint>(code);
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCFinalize(JNIEnv* env,
                                                                                   jclass) {
    return Guarded(env, []() -> jint { return static_cast<jint>(PPC_Finalize()); });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsWeakPwd(
    JNIEnv* env, jclass, jstring jpwd, jobject result) {
    return Guarded(env, [&]() -> jint {
        unsigned int isWeak = 0;
        JavaUtf8Chars pwd(env, jpwd, kNullPassword);
        if (!pwd.Read()) {
            PPC_LOG_ERROR(kIsWeakPwd, "PPCIsWeakPwd ExceptionOccurred for jpwd\n");
            return kJniFailure;
        }
        const unsigned int code = PPC_IsWeakPwd(pwd.Chars(), &isWeak);
        pwd.Release();
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kIsWeakPwd, "call PPC_IsWeakPwd result= %i\n", static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return SetIntVal(env, result, static_cast<int>(isWeak));
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsStrongPwd(
    JNIEnv* env, jclass, jstring jpwd, jobject result) {
    return Guarded(env, [&]() -> jint {
        unsigned int isStrong = 0;
        JavaUtf8Chars pwd(env, jpwd, kNullPassword);
        if (!pwd.Read()) {
            PPC_LOG_ERROR(kIsStrongPwd, "PPCIsStrongPwd ExceptionOccurred for jpwd\n");
            return kJniFailure;
        }
        const unsigned int code = PPC_IsStrongPwd(pwd.Chars(), &isStrong);
        pwd.Release();
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kIsStrongPwd, "call PPC_IsStrongPwd result= %i\n", static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return SetIntVal(env, result, static_cast<int>(isStrong));
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCIsMatchPolicy(
    JNIEnv* env, jclass, jstring jpwd, jint policyId, jint specialCharCheckInd, jobject result) {
    return Guarded(env, [&]() -> jint {
        unsigned int verdict = 0;
        JavaUtf8Chars pwd(env, jpwd, kNullPassword);
        if (!pwd.Read()) {
            PPC_LOG_ERROR(kIsMatchPolicy, "PPC_IsMatchPolicy ExceptionOccurred for jpwd\n");
            return kJniFailure;
        }
        // A negative indicator becomes a large unsigned one, which the check
        // rejects like any other value above 1.
        const unsigned int code = PPC_IsMatchPolicy(
            pwd.Chars(), policyId, static_cast<unsigned int>(specialCharCheckInd), &verdict);
        pwd.Release();
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kIsMatchPolicy, "call PPC_IsMatchPolicy result= %i\n",
                          static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return SetIntVal(env, result, static_cast<int>(verdict));
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenSecPwdByPolicy(
    JNIEnv* env, jclass, jint policyId, jint pwdLen, jobject result) {
    return Guarded(env, [&]() -> jint {
        // A negative request turns into a length of 2^31 or more, which the
        // generator treats as too short, like 0: the policy's minlen is used.
        unsigned int length = static_cast<unsigned int>(pwdLen);
        char* pwd = nullptr;
        const unsigned int code = PPC_GenSecPwdByPolicy(policyId, &pwd, &length);
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kGenSecPwdByPolicy, "call PPC_GenSecPwdByPolicy result= %i\n",
                          static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return HandOverPassword(env, result, pwd, length);
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenDefaultSecPwd(
    JNIEnv* env, jclass, jint pwdLen, jobject result) {
    return Guarded(env, [&]() -> jint {
        unsigned int length = static_cast<unsigned int>(pwdLen);
        char* pwd = nullptr;
        const unsigned int code = PPC_GenDefaultSecPwd(&pwd, &length);
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kGenDefaultSecPwd, "call PPC_GenDefaultSecPwd result= %i\n",
                          static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return HandOverPassword(env, result, pwd, length);
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGenCryptoPwdByPolicy(
    JNIEnv* env, jclass, jint policyId, jint pwdLen, jobject result) {
    return Guarded(env, [&]() -> jint {
        unsigned int length = static_cast<unsigned int>(pwdLen);
        char* pwd = nullptr;
        const unsigned int code = PPC_GenCryptoPwdByPolicy(policyId, &pwd, &length);
        if (code != PPC_OK) {
            PPC_LOG_ERROR(kGenCryptoPwdByPolicy, "call PPC_GenCryptoPwdByPolicy result= %i\n",
                          static_cast<int>(code));
            return static_cast<jint>(code);
        }
        return HandOverPassword(env, result, pwd, length);
    });
}

JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_PPCGetPolicy(
    JNIEnv* env, jclass, jint policyId, jintArray jlenArray, jint /*reserved: never read*/,
    jobject result) {
    return Guarded(env, [&]() -> jint {
        const char* specialChar = nullptr;
        JavaIntElements limits(env, jlenArray, "lenArray is null");
        if (!limits.Read()) {
            PPC_LOG_ERROR(kGetPolicy,
                          "PPCGetPolicy.GetIntArrayElements ExceptionOccurred for jlenArray\n");
            return kJniFailure;
        }
        // The text is the store's immutable copy, valid across reloads.
        const unsigned int code =
            PPC_GetPolicy(policyId, limits.Elements(), limits.Length(), &specialChar);
        jint status;
        if (code == PPC_OK) {
            status = SetStringVal(env, result, specialChar, static_cast<int>(strlen(specialChar)));
        } else {
            PPC_LOG_ERROR(kGetPolicy, "call PPC_GetPolicy result= %i\n", static_cast<int>(code));
            status = static_cast<jint>(code);
        }
        limits.Release();
        return status;
    });
}

}  // extern "C"
