# Bloom resources: a bright pass and a downsampling blur over a scene texture.
parameter texture SceneTexture
parameter float Threshold
parameter float2 TexelSize
sampler SceneTexture linear clamp

glsl
vec2 ScreenUV(vec4 position) { return position.xy * vec2(0.5, -0.5) + 0.5; }
end

technique BrightPass
  pass P0
    state ZEnable false
    vertex
      out vec2 v_uv;
      void main() { v_uv = ScreenUV(a_Position); gl_Position = D3DClipToGL(vec4(a_Position.xy, 0.0, 1.0)); }
    end
    fragment
      in vec2 v_uv;
      void main() {
          vec3 c = texture(SceneTexture, v_uv).rgb;
          FragColor = vec4(max(c - vec3(Threshold), vec3(0.0)), 1.0);
      }
    end
  end
end

technique Blur
  pass P0
    state ZEnable false
    vertex
      out vec2 v_uv;
      void main() { v_uv = ScreenUV(a_Position); gl_Position = D3DClipToGL(vec4(a_Position.xy, 0.0, 1.0)); }
    end
    fragment
      in vec2 v_uv;
      void main() {
          vec3 sum = vec3(0.0);
          for (int y = -2; y <= 2; ++y)
              for (int x = -2; x <= 2; ++x) sum += texture(SceneTexture, v_uv + vec2(x, y) * TexelSize).rgb;
          FragColor = vec4(sum / 25.0, 1.0);
      }
    end
  end
end
