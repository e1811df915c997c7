// brimt/glwindow.cpp -- GLWindow: creation and teardown in their fixed order, the viewport, the five
// reactions.
#include "glwindow.h"

#include "dlgsetup.h"

#include <GL/gl.h>
#include <GL/glu.h> // Required for: gluPerspective()

namespace {
constexpr const char* kCaption = "Brimt";
} // namespace

GLWindow::GLWindow(int newWidth, int newHeight, int newBitsPerPixel, bool newFullScreen)
    : fullScreen(newFullScreen), width(newWidth), height(newHeight), bitsPerPixel(newBitsPerPixel),
      dialogRunner(&FltkDialogRunner())
{
}

GLWindow::~GLWindow()
{
    Kill();
}

MessageAnswer GLWindow::Tell(const char* text, MessageButtons buttons, MessageIcon icon)
{
    MessageBoxes& boxes = instance != nullptr ? *instance->messageBoxes : SystemMessageBoxes();
    return boxes.Show(kCaption, text, buttons, icon);
}

bool GLWindow::Fail(const char* text)
{
    Tell(text, MessageButtons::Ok, MessageIcon::Exclamation);
    return false;
}

bool GLWindow::UndoAndFail(const char* text)
{
    Kill();
    return Fail(text);
}

bool GLWindow::Create(InstanceHandle newInstance, const char* title)
{
    instance = newInstance;
    if (!StartVideo()) {
        return Fail("Impossible d'enregistrer la classe de la fenêtre.");
    }
    videoStarted = true;

    if (fullScreen && !ChangeDisplayMode(width, height, bitsPerPixel)) {
        const MessageAnswer answer = Tell(
            "Ce mode plein écran n'est pas supporté par votre systeme.\nVoulez vous passer en mode fenêtré?",
            MessageButtons::YesNo, MessageIcon::Exclamation);
        if (answer != MessageAnswer::Yes) {
            Tell("Fin du programme.", MessageButtons::Ok, MessageIcon::Stop);
            return false;
        }
        fullScreen = false;
    }
    if (fullScreen) {
        ShowPointer(false);
    }

    PixelFormatRequest format;
    format.colourBits = bitsPerPixel;
    format.depthBits = 16;
    format.doubleBuffer = true;
    window = OpenNativeWindow(title, width, height, fullScreen, format, this);
    if (window == nullptr) {
        return UndoAndFail("Erreur de création de la fenêtre.");
    }
    SurfaceHandle surface = WindowSurface(window);
    if (surface == nullptr) {
        return UndoAndFail("Création du contexte peripherique GL impossible.");
    }
    if (!MatchPixelFormat(surface, format)) {
        return UndoAndFail("Impossible de trouver un format de pixel correct.");
    }
    if (!ApplyPixelFormat(surface, format)) {
        return UndoAndFail("Format de pixel innactivable.");
    }
    glContext = CreateRenderContext(surface);
    if (glContext == nullptr) {
        return UndoAndFail("Création du contexte de rendu GL impossible.");
    }
    if (!MakeCurrent(surface, glContext)) {
        return UndoAndFail("Activation du contexte de rendu GL impossible.");
    }
    ShowAndFocus(window);

    // The viewport covers the drawable in pixels: width x height, or more on a high-density screen.
    int drawableWidth = width;
    int drawableHeight = height;
    DrawableSize(surface, &drawableWidth, &drawableHeight);
    Resize(drawableWidth, drawableHeight);
    return true;
}

void GLWindow::Kill()
{
    if (fullScreen) {
        RestoreDisplayMode();
        ShowPointer(true);
    }
    if (glContext != nullptr) {
        if (MakeCurrent(nullptr, nullptr)) {
            DeleteRenderContext(glContext);
        } else {
            Tell("Liberation du contexte de rendu impossible", MessageButtons::Ok, MessageIcon::Information);
        }
        glContext = nullptr;
    }
    // The surface is part of the window: closing the window releases both, and cannot fail.
    if (window != nullptr) {
        CloseNativeWindow(window);
        window = nullptr;
    }
    if (videoStarted) {
        StopVideo();
        videoStarted = false;
    }
}

void GLWindow::Resize(int newWidth, int newHeight)
{
    if (newHeight == 0) {
        newHeight = 1; // no division by zero in the aspect
    }
    glViewport(0, 0, newWidth, newHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The near plane is the single-precision 0.1 widened to double.
    gluPerspective(45.0, static_cast<double>(static_cast<float>(newWidth) / static_cast<float>(newHeight)),
                   static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool GLWindow::IsActive() const
{
    return active;
}

int GLWindow::RunSetupDialog()
{
    SetupDialog dialog(width, height, bitsPerPixel, fullScreen, *dialogRunner);
    const int result = dialog.Run();
    if (result == kDialogOk) {
        fullScreen = dialog.fullScreen != 0;
        bitsPerPixel = dialog.depthIndex == 0 ? 16 : 32;
        const Resolution& chosen = ResolutionAt(dialog.resolutionIndex);
        width = chosen.width;
        height = chosen.height;
    }
    return result;
}

SurfaceHandle GLWindow::GetSurface() const
{
    return WindowSurface(window);
}

void GLWindow::UseDialogRunner(DialogRunner& runner)
{
    dialogRunner = &runner;
}

void GLWindow::OnKeyDown(int key)
{
    // Every key is taken here; only Escape does something.
    if (key == kKeyEscape) {
        PostQuitRequest(0);
    }
}

void GLWindow::OnActivate(bool isActive)
{
    active = isActive;
}

void GLWindow::OnClose()
{
    // The window stays: the run's shutdown closes it.
    PostQuitRequest(0);
}

void GLWindow::OnSize(int newWidth, int newHeight)
{
    // Sizes that arrive before there is a context (while the window is being made) change nothing.
    if (glContext != nullptr) {
        Resize(newWidth, newHeight);
    }
}
