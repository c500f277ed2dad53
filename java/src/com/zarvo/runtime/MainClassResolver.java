package com.zarvo.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Optional;

/** Finds the application's {@code public static void main(String[])}. */
final class MainClassResolver {

    private MainClassResolver() {}

    /**
     * @param configured "com.example.Main" for the class path, "/my.mod/com.example.Main" for a
     *     class of a named module; "/com.example.Main" (module mode without a module name) is
     *     looked up like a class path name.
     */
    static Method findMain(String configured) throws ClassNotFoundException, NoSuchMethodException {
        Class<?> mainClass = loadClass(configured);
        Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            throw noMain(mainClass);
        }
        if (!Modifier.isStatic(main.getModifiers()) || main.getReturnType() != void.class) {
            throw noMain(mainClass);
        }
        try {
            // A public main of a non-public class is callable from the java command; allow it here
            // too. Where the module system refuses, invoke reports the refusal.
            main.setAccessible(true);
        } catch (RuntimeException ignored) {
            // Not open to us; WinLauncher turns the later access failure into a clear message.
        }
        return main;
    }

    private static NoSuchMethodException noMain(Class<?> c) {
        return new NoSuchMethodException("main class " + c.getName()
                + " has no public static void main(String[]) method");
    }

    private static Class<?> loadClass(String configured) throws ClassNotFoundException {
        if (configured.isEmpty() || configured.equals("/")) {
            throw new ClassNotFoundException("no main class is configured");
        }
        if (configured.charAt(0) != '/') {
            return loadFromClassPath(configured);
        }
        String rest = configured.substring(1);
        int slash = rest.indexOf('/');
        if (slash < 0) {
            return loadFromClassPath(rest);
        }
        return loadFromModule(rest.substring(0, slash), rest.substring(slash + 1));
    }

    private static Class<?> loadFromClassPath(String name) throws ClassNotFoundException {
        try {
            return Class.forName(name, false, appClassLoader());
        } catch (ClassNotFoundException e) {
            throw new ClassNotFoundException("main class " + name + " not found on the class path");
        }
    }

    private static ClassLoader appClassLoader() {
        ClassLoader context = Thread.currentThread().getContextClassLoader();
        return context != null ? context : ClassLoader.getSystemClassLoader();
    }

    /**
     * Looks the class up in the named module of the boot layer. The module API exists from
     * Java 9 on; it is reached by reflection so that the runtime still loads on Java 8, where a
     * module-mode name falls back to the class path.
     */
    private static Class<?> loadFromModule(String moduleName, String className)
            throws ClassNotFoundException {
        Class<?> layerType;
        try {
            layerType = Class.forName("java.lang.ModuleLayer");
        } catch (ClassNotFoundException java8) {
            return loadFromClassPath(className);
        }
        try {
            Object bootLayer = layerType.getMethod("boot").invoke(null);
            Optional<?> module =
                    (Optional<?>) layerType.getMethod("findModule", String.class).invoke(bootLayer,
                            moduleName);
            if (!module.isPresent()) {
                throw new ClassNotFoundException("module " + moduleName + " of main class "
                        + className + " is not loaded (is it on the module path and named in "
                        + "--add-modules?)");
            }
            Class<?> moduleType = Class.forName("java.lang.Module");
            Object found = Class.class.getMethod("forName", moduleType, String.class)
                    .invoke(null, module.get(), className);
            if (found == null) {
                throw new ClassNotFoundException("main class " + className
                        + " not found in module " + moduleName);
            }
            return (Class<?>) found;
        } catch (NoSuchMethodException | IllegalAccessException | InvocationTargetException e) {
            throw new IllegalStateException("the module system of this Java runtime cannot be "
                    + "used to load " + moduleName + "/" + className, e);
        }
    }
}
