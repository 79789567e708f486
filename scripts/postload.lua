-- Run after a project, a pasted subtree or a copied property has run: compiles every source text
-- kept in ide_data into the live object (methods, event catchers, constructor), so the world
-- plays at once. A source that does not compile is reported with its object and property; the
-- rest still loads. The compiling itself is the runtime's, shared with compiled games.

compile_world()
if IDE_MAP then IDE_MAP:opened() end
