package demo;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;

/** The demo application: says hello, with what it was started with. */
public class App {
    public static void main(String[] args) throws IOException {
        StringBuilder text = new StringBuilder();
        text.append("Hello from the Quarlan demo application\n");
        text.append("java.version=").append(System.getProperty("java.version")).append('\n');
        text.append("java.home=").append(System.getProperty("java.home")).append('\n');
        text.append("user.dir=").append(System.getProperty("user.dir")).append('\n');
        for (int i = 0; i < args.length; i++) {
            text.append("arg[").append(i).append("]=").append(args[i]).append('\n');
        }
        System.out.print(text);
        String out = System.getenv("DEMO_APP_OUT");
        if (out != null && out.length() > 0) {
            Writer w = new OutputStreamWriter(new FileOutputStream(new File(out)), "UTF-8");
            try {
                w.write(text.toString());
            } finally {
                w.close();
            }
        }
    }
}
