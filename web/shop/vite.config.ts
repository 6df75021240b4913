import { defineConfig } from "vite";

// The page lives under /shop/ on qk-server; assets carry content hashes so the server may let
// phones cache them for good.
export default defineConfig({
  base: "/shop/",
  build: { outDir: "dist", emptyOutDir: true, assetsInlineLimit: 0, modulePreload: false },
  esbuild: { jsx: "automatic", jsxImportSource: "preact" },
});
