// The native behind PwdPolicyAPI.PPCJudgePassword: UTF-8 byte arrays in,
// PPC_JudgePassword, the verdict and reasons out through an int array.
#include <jni.h>
#include <string.h>

#include <new>
#include <string>
#include <vector>

#if __has_include("com_korvane_vesticor_pwdpolicy_PwdPolicyAPI.h")
#include "com_korvane_vesticor_pwdpolicy_PwdPolicyAPI.h"
#endif
#include "jni/JavaRefs.h"
#include "pwdpolicy.h"

namespace {

constexpr jint kJniFailure = 1;

// One Java byte array as a NUL-terminated string, wiped when it goes.
struct Utf8Argument {
    std::string text;
    bool present = false;
    ~Utf8Argument() { explicit_bzero(text.data(), text.size()); }

    // False when a JNI step failed (an exception is then pending). `*hasNul`
    // is set when the bytes hold a NUL, which a C string cannot carry.
    bool Read(JNIEnv* env, jbyteArray array, bool* hasNul) {
        if (array == nullptr) return true;
        const jsize length = env->GetArrayLength(array);
        text.resize(static_cast<size_t>(length));
        env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(text.data()));
        if (env->ExceptionCheck()) return false;
        present = true;
        if (memchr(text.data(), '\0', text.size()) != nullptr) *hasNul = true;
        return true;
    }
    const char* CharsOrNull() const { return present ? text.c_str() : nullptr; }
};

}  // namespace

extern "C" JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_judge(
    JNIEnv* env, jclass, jbyteArray pwd, jint policyId, jint specialCharCheckInd, jbyteArray userName,
    jbyteArray fullName, jobjectArray contextWords, jbyteArray oldPassword, jintArray found) {
    try {
        bool hasNul = false;
        Utf8Argument password, user, full, old;
        if (!password.Read(env, pwd, &hasNul) || !user.Read(env, userName, &hasNul) ||
            !full.Read(env, fullName, &hasNul) || !old.Read(env, oldPassword, &hasNul)) {
            return kJniFailure;
        }
        const jsize wordCount = env->GetArrayLength(contextWords);
        std::vector<Utf8Argument> words(static_cast<size_t>(wordCount));
        std::vector<const char*> wordChars;
        for (jsize i = 0; i < wordCount; ++i) {
            jobject word = env->GetObjectArrayElement(contextWords, i);
            const bool read = words[static_cast<size_t>(i)].Read(env, static_cast<jbyteArray>(word), &hasNul);
            env->DeleteLocalRef(word);
            if (!read) return kJniFailure;
            wordChars.push_back(words[static_cast<size_t>(i)].CharsOrNull());
        }
        if (hasNul) return static_cast<jint>(PPC_ERR_BAD_ARGUMENT);
        const PPC_PasswordContext context{user.CharsOrNull(), full.CharsOrNull(), wordChars.data(),
                                          static_cast<unsigned int>(wordChars.size()), old.CharsOrNull()};
        PPC_Judgement judgement;
        // A negative indicator becomes a large unsigned one, which the judge
        // rejects like any other value above 1.
        const unsigned int code = PPC_JudgePassword(password.text.c_str(), policyId,
                                                    static_cast<unsigned int>(specialCharCheckInd), &context,
                                                    &judgement);
        if (code != PPC_OK) return static_cast<jint>(code);
        jint out[2 + PPC_MAX_REASONS] = {static_cast<jint>(judgement.verdict), static_cast<jint>(judgement.reasonCount)};
        for (unsigned int i = 0; i < judgement.reasonCount; ++i) out[2 + i] = static_cast<jint>(judgement.reasons[i]);
        env->SetIntArrayRegion(found, 0, static_cast<jsize>(2 + judgement.reasonCount), out);
        return env->ExceptionCheck() ? kJniFailure : static_cast<jint>(PPC_OK);
    } catch (const std::bad_alloc&) {
        ThrowJava(env, "java/lang/OutOfMemoryError", "PwdPolicy native ran out of memory");
    } catch (...) {
        ThrowJava(env, "java/lang/Error", "PwdPolicy native failed");
    }
    return kJniFailure;
}
