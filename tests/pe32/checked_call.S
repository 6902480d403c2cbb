/* The checked call: a __stdcall function called with sentinels in the
   registers it must keep, and a record of what it left behind */

/* struct CallCheck offsets */
#define FRAME 0     /* our frame, to come back to whatever the callee did */
#define TARGET 4
#define EXPECTED 8  /* ESP once the callee has popped its arguments */
#define RESULT 12
#define FLAGS 16
#define AFTER 20    /* ESP as the callee left it */
#define EBX_AFTER 24
#define ESI_AFTER 28
#define EDI_AFTER 32
#define EBP_AFTER 36

        .text
        .globl  CallStdcallRaw
        .type   CallStdcallRaw, @function
/* uint32_t CallStdcallRaw(const void *fn, const uint32_t *args, uint32_t count, CallCheck *check) */
CallStdcallRaw:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    20(%ebp), %ebx
        movl    %ebp, FRAME(%ebx)
        movl    8(%ebp), %eax
        movl    %eax, TARGET(%ebx)
        movl    12(%ebp), %esi
        movl    16(%ebp), %ecx
        leal    0(,%ecx,4), %edx
        movl    %esp, %eax              /* the call site 16-byte aligned, as either side may assume */
        subl    %edx, %eax
        andl    $-16, %eax
        addl    %edx, %eax
        movl    %eax, %esp
        movl    %esp, EXPECTED(%ebx)
1:      testl   %ecx, %ecx
        jz      2f
        pushl   -4(%esi,%ecx,4)
        decl    %ecx
        jmp     1b
2:      movl    %ebx, current           /* the stack cannot be trusted after the call */
        movl    TARGET(%ebx), %eax
        movl    $0xB0B0B0B0, %ebx
        movl    $0x5151E51E, %esi
        movl    $0xD1D1ED1E, %edi
        movl    $0xEBEBEBEB, %ebp
        cld
        call    *%eax
        pushfl
        pushl   %eax
        movl    current, %eax
        popl    RESULT(%eax)
        popl    FLAGS(%eax)
        cld                             /* whatever the callee left, for our own sake */
        movl    %esp, AFTER(%eax)
        movl    %ebx, EBX_AFTER(%eax)
        movl    %esi, ESI_AFTER(%eax)
        movl    %edi, EDI_AFTER(%eax)
        movl    %ebp, EBP_AFTER(%eax)
        movl    FRAME(%eax), %ebp
        leal    -12(%ebp), %esp
        movl    RESULT(%eax), %eax
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
        .size   CallStdcallRaw, .-CallStdcallRaw

        .local  current
        .comm   current, 4, 4
        .section .note.GNU-stack, "", @progbits
