// Pixel formats, contexts on a hidden helper window, and the offscreen
// surface with its read-back and GDI blit.
#include "views/gl3d/gl_context.h"
#include "app/view_record.h"
#include "base/heap.h"
#include "base/messages.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

const char kNoPixelFormat[] = "Unable to initialize a suitable PixelFormat for OpenGL!";
const char kNoHardwareAcceleration[] = "OpenGL may not be using hardware acceleration!";
const char kNoRenderingContext[] = "Unable to create a GL rendering context.";

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif
#define GL_FRAMEBUFFER_EXT 0x8D40
#define GL_RENDERBUFFER_EXT 0x8D41
#define GL_COLOR_ATTACHMENT0_EXT 0x8CE0
#define GL_DEPTH_ATTACHMENT_EXT 0x8D00
#define GL_FRAMEBUFFER_COMPLETE_EXT 0x8CD5
#define GL_DEPTH_COMPONENT24_ARB 0x81A6

static PIXELFORMATDESCRIPTOR RequestedFormat()
{
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    return pfd;
}

int ChooseGLPixelFormat(HWND window)
{
    static int refused;
    if (refused) return 0;
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = RequestedFormat();
    int format = ChoosePixelFormat(dc, &pfd);
    int result = 1;
    if (!format) {
        ErrorMessage(kNoPixelFormat);
        result = 0;
    } else {
        PIXELFORMATDESCRIPTOR got = {};
        DescribePixelFormat(dc, format, sizeof got, &got);
        DWORD wanted = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        bool generic = (got.dwFlags & PFD_GENERIC_FORMAT) && !(got.dwFlags & PFD_GENERIC_ACCELERATED);
        if ((got.dwFlags & wanted) != wanted || generic) {
            WarningMessage(kNoHardwareAcceleration);
            result = 0;
        }
    }
    ReleaseDC(window, dc);
    if (!result) refused = 1;
    return result;
}

int OnGLWindowThread(HWND window)
{
    return window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// --- the helper window that owns the pixel format ------------------------------------

static const char kSurfaceClass[] = "GLFrameSurface";

static HWND CreateHelperWindow(HWND owner)
{
    static bool registered;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = kSurfaceClass;
        registered = RegisterClassA(&wc) != 0;
    }
    // Never shown: a top-level window, so its drawable is a real one everywhere.
    return CreateWindowExA(WS_EX_TOOLWINDOW, kSurfaceClass, "", WS_POPUP, 0, 0, 64, 64, owner, nullptr, instance,
                           nullptr);
}

int CreateGLContext(HWND window, HDC* dcOut, HGLRC* contextOut)
{
    *dcOut = nullptr;
    *contextOut = nullptr;
    HWND helper = CreateHelperWindow(window);
    HDC dc = helper ? GetDC(helper) : nullptr;
    PIXELFORMATDESCRIPTOR pfd = RequestedFormat();
    int format = dc ? ChoosePixelFormat(dc, &pfd) : 0;
    HGLRC context = nullptr;
    if (format && SetPixelFormat(dc, format, &pfd)) context = wglCreateContext(dc);
    if (!context || !wglMakeCurrent(dc, context)) {
        if (context) wglDeleteContext(context);
        if (dc) ReleaseDC(helper, dc);
        if (helper) DestroyWindow(helper);
        ErrorMessage(kNoRenderingContext);
        return 0;
    }
    *dcOut = dc;
    *contextOut = context;
    return 1;
}

int DeleteGLContext(HWND, HDC dc, HGLRC context)
{
    if (!wglMakeCurrent(nullptr, nullptr)) return 0;
    if (context) wglDeleteContext(context);
    HWND helper = dc ? WindowFromDC(dc) : nullptr;
    if (dc) ReleaseDC(helper, dc);
    if (helper) DestroyWindow(helper);
    return 1;
}

int GetGLInfo(HWND window, char* vendor, char* renderer, char* version)
{
    strcpy(vendor, "Unknown");
    strcpy(renderer, "Unknown");
    strcpy(version, "Unknown");
    HGLRC previous = wglGetCurrentContext();
    HDC previousDC = wglGetCurrentDC();
    HDC dc;
    HGLRC context;
    if (!CreateGLContext(window, &dc, &context)) return 0;
    const char* texts[3] = {(const char*)glGetString(GL_VENDOR), (const char*)glGetString(GL_RENDERER),
                            (const char*)glGetString(GL_VERSION)};
    char* outs[3] = {vendor, renderer, version};
    for (int i = 0; i < 3; i++)
        if (texts[i]) snprintf(outs[i], 256, "%s", texts[i]);
    DeleteGLContext(window, dc, context);
    if (previous) wglMakeCurrent(previousDC, previous);
    return 1;
}

// --- the offscreen surface --------------------------------------------------------------

typedef void(WINAPI* GenFn)(GLsizei, GLuint*);
typedef void(WINAPI* BindFn)(GLenum, GLuint);
typedef void(WINAPI* StorageFn)(GLenum, GLenum, GLsizei, GLsizei);
typedef void(WINAPI* AttachFn)(GLenum, GLenum, GLenum, GLuint);
typedef GLenum(WINAPI* StatusFn)(GLenum);

struct FramebufferCalls {
    GenFn genFramebuffers, genRenderbuffers, deleteFramebuffers, deleteRenderbuffers;
    BindFn bindFramebuffer, bindRenderbuffer;
    StorageFn renderbufferStorage;
    AttachFn framebufferRenderbuffer;
    StatusFn checkStatus;
};

// The framebuffer calls of the current context, or null without them.
static const FramebufferCalls* Framebuffers()
{
    static FramebufferCalls calls;
    static int looked;
    if (!looked) {
        calls.genFramebuffers = (GenFn)wglGetProcAddress("glGenFramebuffersEXT");
        calls.genRenderbuffers = (GenFn)wglGetProcAddress("glGenRenderbuffersEXT");
        calls.deleteFramebuffers = (GenFn)wglGetProcAddress("glDeleteFramebuffersEXT");
        calls.deleteRenderbuffers = (GenFn)wglGetProcAddress("glDeleteRenderbuffersEXT");
        calls.bindFramebuffer = (BindFn)wglGetProcAddress("glBindFramebufferEXT");
        calls.bindRenderbuffer = (BindFn)wglGetProcAddress("glBindRenderbufferEXT");
        calls.renderbufferStorage = (StorageFn)wglGetProcAddress("glRenderbufferStorageEXT");
        calls.framebufferRenderbuffer = (AttachFn)wglGetProcAddress("glFramebufferRenderbufferEXT");
        calls.checkStatus = (StatusFn)wglGetProcAddress("glCheckFramebufferStatusEXT");
        looked = calls.genFramebuffers && calls.genRenderbuffers && calls.deleteFramebuffers &&
                         calls.deleteRenderbuffers && calls.bindFramebuffer && calls.bindRenderbuffer &&
                         calls.renderbufferStorage && calls.framebufferRenderbuffer && calls.checkStatus
                     ? 1
                     : -1;
    }
    return looked == 1 ? &calls : nullptr;
}

static void DropFramebuffer(GLFrameSurface* s)
{
    const FramebufferCalls* fb = Framebuffers();
    if (!fb || !s->framebuffer) return;
    fb->bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    fb->deleteRenderbuffers(1, &s->colour);
    fb->deleteRenderbuffers(1, &s->depth);
    fb->deleteFramebuffers(1, &s->framebuffer);
    s->framebuffer = s->colour = s->depth = 0;
}

static bool MakeFramebuffer(GLFrameSurface* s, int width, int height)
{
    const FramebufferCalls* fb = Framebuffers();
    if (!fb) return false;
    fb->genFramebuffers(1, &s->framebuffer);
    fb->genRenderbuffers(1, &s->colour);
    fb->genRenderbuffers(1, &s->depth);
    fb->bindRenderbuffer(GL_RENDERBUFFER_EXT, s->colour);
    fb->renderbufferStorage(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
    fb->bindRenderbuffer(GL_RENDERBUFFER_EXT, s->depth);
    fb->renderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24_ARB, width, height);
    fb->bindFramebuffer(GL_FRAMEBUFFER_EXT, s->framebuffer);
    fb->framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, s->colour);
    fb->framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, s->depth);
    if (fb->checkStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT) return true;
    DropFramebuffer(s);
    return false;
}

int SizeGLFrameSurface(ViewRecord* r, int width, int height)
{
    if (!r->glContext) return 0;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    GLFrameSurface* s = r->glSurface;
    if (!s) {
        s = (GLFrameSurface*)NBLCalloc(1, sizeof(GLFrameSurface));
        if (!s) return 0;
        r->glSurface = s;
    }
    if (s->width == width && s->height == height && s->pixels) return 1;
    uint8_t* pixels = (uint8_t*)NBLMalloc((uint64_t)width * height * 4);
    if (!pixels) return 0;
    NBLFree(s->pixels);
    memset(pixels, 0, (size_t)width * height * 4);
    s->pixels = pixels;
    s->width = width;
    s->height = height;
    wglMakeCurrent(r->glDC, r->glContext);
    DropFramebuffer(s);
    if (!MakeFramebuffer(s, width, height)) {
        // No framebuffer objects: the helper window's back buffer, sized to match.
        HWND helper = WindowFromDC(r->glDC);
        if (helper) SetWindowPos(helper, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 1;
}

void BindGLFrameSurface(ViewRecord* r)
{
    const FramebufferCalls* fb = Framebuffers();
    if (fb && r->glSurface && r->glSurface->framebuffer) fb->bindFramebuffer(GL_FRAMEBUFFER_EXT, r->glSurface->framebuffer);
    else glDrawBuffer(GL_BACK);
}

int PresentGLFrame(ViewRecord* r, HWND window)
{
    GLFrameSurface* s = r->glSurface;
    if (!s || !s->pixels) return 0;
    glFinish();
    if (!s->framebuffer) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, s->width, s->height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, s->pixels);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = s->width;
    info.bmiHeader.biHeight = s->height;  // bottom-up, as GL reads
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(window);
    SetDIBitsToDevice(dc, 0, 0, s->width, s->height, 0, 0, 0, s->height, s->pixels, &info, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    return 1;
}

void FreeGLFrameSurface(ViewRecord* r)
{
    GLFrameSurface* s = r->glSurface;
    if (!s) return;
    if (r->glContext && wglMakeCurrent(r->glDC, r->glContext)) DropFramebuffer(s);
    NBLFree(s->pixels);
    NBLFree(s);
    r->glSurface = nullptr;
}

COLORREF GetGLFramePixel(const ViewRecord* r, int x, int y)
{
    const GLFrameSurface* s = r->glSurface;
    if (!s || !s->pixels || x < 0 || y < 0 || x >= s->width || y >= s->height) return CLR_INVALID;
    const uint8_t* p = s->pixels + ((size_t)(s->height - 1 - y) * s->width + x) * 4;
    return RGB(p[2], p[1], p[0]);
}
